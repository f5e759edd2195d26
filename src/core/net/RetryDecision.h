#pragma once

#include "RetryPolicy.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

namespace vesk {

struct HTTPResponse;

/// How long to wait before trying a failed Gmail call again, or nothing when
/// it must not be retried. Retried: 429, a 403 whose reason is a rate limit,
/// and 500, 502, 503, 504 — except a send or a draft creation after a server
/// error, which may have been applied. `attempt` counts from 1.
/// Whether an answer is Google refusing a call for quota: 429, or a 403 whose
/// reason is a rate limit.
bool isRateLimitRefusal(int status, const QByteArray& body);

/// The wait a server asked for in Retry-After (seconds or an HTTP date).
std::optional<std::chrono::milliseconds> retryAfter(const HTTPResponse& response,
                                                    const QDateTime& now);

std::optional<std::chrono::milliseconds> retryDelay(const HTTPResponse& response,
                                                    const QByteArray& method, const QString& path,
                                                    int attempt, const RetryPolicy& policy,
                                                    const QDateTime& now);

} // namespace vesk
