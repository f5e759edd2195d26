#include "RetryDecision.h"

#include "net/GoogleErrorBody.h"
#include "net/HTTPTransport.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>

namespace vesk {

namespace {

bool mayHaveBeenApplied(const QByteArray& method, const QString& path)
{
    return method == "POST" &&
           (path == u"/messages/send" || path == u"/drafts" || path == u"/drafts/send");
}

} // namespace

std::optional<std::chrono::milliseconds> retryAfter(const HTTPResponse& response,
                                                    const QDateTime& now)
{
    const std::optional<QByteArray> value = response.header("Retry-After");
    if (!value)
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = value->trimmed().toLongLong(&ok);
    if (ok)
        return std::chrono::milliseconds(std::max<qint64>(0, seconds) * 1000);
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(*value), Qt::RFC2822Date);
    if (!when.isValid())
        return std::nullopt;
    return std::chrono::milliseconds(std::max<qint64>(0, now.msecsTo(when)));
}

std::optional<std::chrono::milliseconds>
retryDelay(const HTTPResponse& response, const GoogleErrorBody& refusal, const QByteArray& method,
           const QString& path, int attempt, const RetryPolicy& policy, const QDateTime& now)
{
    if (attempt >= policy.maxAttempts || !response.statusCode)
        return std::nullopt;
    const int status = *response.statusCode;
    const bool serverError = status == 500 || status == 502 || status == 503 || status == 504;
    const bool rateLimited = policy.retryRateLimits && refusal.isRateLimit();
    if (!rateLimited && !(serverError && !mayHaveBeenApplied(method, path)))
        return std::nullopt;

    if (const auto asked = retryAfter(response, now))
        return std::min(*asked, policy.maxDelay);
    const qint64 base = policy.initialDelay.count() << std::min(attempt - 1, 20);
    const qint64 jitter =
        QRandomGenerator::global()->bounded(qint64(policy.initialDelay.count()) + 1);
    return std::min(std::chrono::milliseconds(base + jitter), policy.maxDelay);
}

} // namespace vesk
