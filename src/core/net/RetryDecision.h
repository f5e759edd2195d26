#pragma once

#include "RetryPolicy.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

namespace vesk {

struct GoogleErrorBody;
struct HTTPResponse;

/// The wait a server asked for in Retry-After (seconds or an HTTP date).
std::optional<std::chrono::milliseconds> retryAfter(const HTTPResponse& response,
                                                    const QDateTime& now);

/// How long to wait before trying a failed Gmail call again, or nothing when
/// it must not be retried. Retried: a rate limit (GoogleErrorBody::isRateLimit,
/// read from `refusal`, the response's parsed body) unless the policy leaves
/// those to the quota pacer, and 500, 502, 503, 504 —
/// except a send or a draft creation after a server error, which may have been
/// applied. `attempt` counts from 1.
std::optional<std::chrono::milliseconds>
retryDelay(const HTTPResponse& response, const GoogleErrorBody& refusal, const QByteArray& method,
           const QString& path, int attempt, const RetryPolicy& policy, const QDateTime& now);

} // namespace vesk
