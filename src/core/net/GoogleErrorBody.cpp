#include "net/GoogleErrorBody.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <algorithm>
#include <initializer_list>

namespace vesk {

namespace {

/// Google's message as one line: whitespace folded, control characters
/// (which a label or a log would show as boxes or act on) dropped.
QString oneLine(const QString& text)
{
    QString line = text.simplified();
    line.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return line;
}

void appendReasons(const QJsonArray& items, QStringList& reasons)
{
    for (const auto& item : items) {
        const QString reason = item.toObject().value(u"reason").toString();
        if (!reason.isEmpty())
            reasons.append(reason);
    }
}

bool namesAny(const GoogleErrorBody& body, std::initializer_list<QStringView> wanted)
{
    return std::any_of(wanted.begin(), wanted.end(),
                       [&](QStringView reason) { return body.hasReason(reason); });
}

} // namespace

GoogleErrorBody GoogleErrorBody::parse(int httpStatus, QByteArrayView body)
{
    GoogleErrorBody parsed;
    parsed.httpStatus = httpStatus;
    QStringDecoder decoder(QStringDecoder::Utf8);
    parsed.text = decoder.decode(body);
    if (decoder.hasError()) {
        parsed.text.clear();
        return parsed;
    }
    if (body.size() > s_maxParsedBytes)
        return parsed;

    const QJsonObject document =
        QJsonDocument::fromJson(QByteArray::fromRawData(body.data(), body.size())).object();
    const QJsonValue error = document.value(u"error");
    if (error.isObject()) {
        const QJsonObject fields = error.toObject();
        parsed.status = fields.value(u"status").toString();
        parsed.message = oneLine(fields.value(u"message").toString());
        appendReasons(fields.value(u"errors").toArray(), parsed.reasons);
        appendReasons(fields.value(u"details").toArray(), parsed.reasons);
    } else if (error.isString()) {
        parsed.error = oneLine(error.toString());
        parsed.message = oneLine(document.value(u"error_description").toString());
    }
    return parsed;
}

bool GoogleErrorBody::hasReason(QStringView reason) const
{
    return std::any_of(reasons.cbegin(), reasons.cend(),
                       [&](const QString& named) { return named == reason; });
}

bool GoogleErrorBody::isRateLimit() const
{
    // The older "errors[].reason" form, or the newer ErrorInfo detail.
    return httpStatus == 429 ||
           (httpStatus == 403 && namesAny(*this, {u"rateLimitExceeded", u"userRateLimitExceeded",
                                                  u"RATE_LIMIT_EXCEEDED"}));
}

bool GoogleErrorBody::isQuotaSpent() const
{
    return httpStatus == 403 && namesAny(*this, {u"dailyLimitExceeded", u"quotaExceeded"});
}

bool GoogleErrorBody::lacksScope() const
{
    return httpStatus == 403 &&
           namesAny(*this, {u"insufficientPermissions", u"ACCESS_TOKEN_SCOPE_INSUFFICIENT"});
}

} // namespace vesk
