#include "RetryDecision.h"

#include "HTTPTransport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <algorithm>

namespace vesk {

namespace {

/// Google answers a rate limit either in the older "errors[].reason" form
/// or with an ErrorInfo detail.
bool namesRateLimit(const QByteArray& body)
{
    const QJsonObject error = QJsonDocument::fromJson(body).object().value(u"error").toObject();
    const auto anyReason = [](const QJsonArray& items, std::initializer_list<QStringView> wanted) {
        return std::any_of(items.begin(), items.end(), [&](const QJsonValue& item) {
            const QString reason = item.toObject().value(u"reason").toString();
            return std::find(wanted.begin(), wanted.end(), reason) != wanted.end();
        });
    };
    return anyReason(error.value(u"errors").toArray(),
                     {u"rateLimitExceeded", u"userRateLimitExceeded"}) ||
           anyReason(error.value(u"details").toArray(), {u"RATE_LIMIT_EXCEEDED"});
}

bool mayHaveBeenApplied(const QByteArray& method, const QString& path)
{
    return method == "POST" && (path == u"/messages/send" || path == u"/drafts");
}

} // namespace

bool isRateLimitRefusal(int status, const QByteArray& body)
{
    return status == 429 || (status == 403 && namesRateLimit(body));
}

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

std::optional<std::chrono::milliseconds> retryDelay(const HTTPResponse& response,
                                                    const QByteArray& method, const QString& path,
                                                    int attempt, const RetryPolicy& policy,
                                                    const QDateTime& now)
{
    if (attempt >= policy.maxAttempts || !response.statusCode)
        return std::nullopt;
    const int status = *response.statusCode;
    const bool serverError = status == 500 || status == 502 || status == 503 || status == 504;
    const bool rateLimited = isRateLimitRefusal(status, response.body);
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
