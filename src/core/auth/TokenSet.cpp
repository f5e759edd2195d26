#include "TokenSet.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace vesk {

namespace {

// 2001-01-01T00:00:00Z in milliseconds since the Unix epoch.
constexpr qint64 s_referenceMs = 978307200000;
// About ±3000 years: far beyond any token lifetime, well inside what
// QDateTime and a 64-bit count of milliseconds can hold.
constexpr double s_maxSeconds = 1e11;

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

} // namespace

QByteArray TokenSet::toJson() const
{
    const double seconds = double(expiresAt.toMSecsSinceEpoch() - s_referenceMs) / 1000.0;
    const QJsonObject object{
        {key("accessToken"), accessToken},
        {key("refreshToken"), refreshToken},
        {key("expiresAt"), seconds},
        {key("scope"), scope},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<TokenSet> TokenSet::fromJson(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue access = object.value(key("accessToken"));
    const QJsonValue refresh = object.value(key("refreshToken"));
    const QJsonValue expires = object.value(key("expiresAt"));
    const QJsonValue scope = object.value(key("scope"));
    if (!access.isString() || !refresh.isString() || !expires.isDouble() || !scope.isString())
        return std::nullopt;
    const double seconds = expires.toDouble();
    // A corrupt item must not turn into an undefined conversion.
    if (!std::isfinite(seconds) || std::abs(seconds) > s_maxSeconds)
        return std::nullopt;
    const qint64 ms = s_referenceMs + qint64(std::llround(seconds * 1000.0));
    return TokenSet{access.toString(), refresh.toString(),
                    QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC), scope.toString()};
}

} // namespace vesk
