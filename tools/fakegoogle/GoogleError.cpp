#include "GoogleError.h"

#include <QJsonArray>

namespace vesk::fakegoogle::googleerror {

using namespace Qt::StringLiterals;

namespace {

QString statusName(int code)
{
    switch (code) {
    case 400:
        return QStringLiteral("INVALID_ARGUMENT");
    case 401:
        return QStringLiteral("UNAUTHENTICATED");
    case 403:
        return QStringLiteral("PERMISSION_DENIED");
    case 404:
        return QStringLiteral("NOT_FOUND");
    case 409:
        return QStringLiteral("ABORTED");
    case 429:
        return QStringLiteral("RESOURCE_EXHAUSTED");
    case 501:
        return QStringLiteral("UNIMPLEMENTED");
    case 503:
        return QStringLiteral("UNAVAILABLE");
    default:
        return code >= 500 ? QStringLiteral("INTERNAL") : QStringLiteral("FAILED_PRECONDITION");
    }
}

} // namespace

HttpReply api(int code, const QString& message, const QString& reason, const QString& domain)
{
    const QJsonObject detail{{u"message"_s, message}, {u"domain"_s, domain}, {u"reason"_s, reason}};
    const QJsonObject error{{u"code"_s, code},
                            {u"message"_s, message},
                            {u"errors"_s, QJsonArray{detail}},
                            {u"status"_s, statusName(code)}};
    return HttpReply::json(QJsonObject{{u"error"_s, error}}, code);
}

HttpReply forStatus(int code)
{
    switch (code) {
    case 400:
        return api(code, QStringLiteral("Bad Request"), QStringLiteral("failedPrecondition"));
    case 401:
        return invalidCredentials();
    case 403:
        return api(code, QStringLiteral("The caller does not have permission"),
                   QStringLiteral("forbidden"));
    case 404:
        return api(code, QStringLiteral("Requested entity was not found."),
                   QStringLiteral("notFound"));
    case 429:
        return api(code, QStringLiteral("Resource has been exhausted (e.g. check quota)."),
                   QStringLiteral("rateLimitExceeded"), QStringLiteral("usageLimits"));
    case 503:
        return api(code, QStringLiteral("The service is currently unavailable."),
                   QStringLiteral("backendError"));
    default:
        if (code >= 500)
            return api(code, QStringLiteral("Internal error encountered."),
                       QStringLiteral("backendError"));
        return api(code, QStringLiteral("Request failed"), QStringLiteral("failedPrecondition"));
    }
}

HttpReply invalidCredentials()
{
    const QString message = QStringLiteral(
        "Request had invalid authentication credentials. Expected OAuth 2 access token, login "
        "cookie or other valid authentication credential. See "
        "https://developers.google.com/identity/sign-in/web/devconsole-project.");
    const QJsonObject detail{{u"message"_s, u"Invalid Credentials"_s},
                             {u"domain"_s, u"global"_s},
                             {u"reason"_s, u"authError"_s},
                             {u"location"_s, u"Authorization"_s},
                             {u"locationType"_s, u"header"_s}};
    const QJsonObject error{{u"code"_s, 401},
                            {u"message"_s, message},
                            {u"errors"_s, QJsonArray{detail}},
                            {u"status"_s, u"UNAUTHENTICATED"_s}};
    HttpReply reply = HttpReply::json(QJsonObject{{u"error"_s, error}}, 401);
    reply.headers.append(qMakePair(
        QByteArray("WWW-Authenticate"),
        QByteArray(R"(Bearer realm="https://accounts.google.com/", error="invalid_token")")));
    return reply;
}

HttpReply oauth(int code, const QString& error, const QString& description)
{
    return HttpReply::json(QJsonObject{{u"error"_s, error}, {u"error_description"_s, description}},
                           code);
}

} // namespace vesk::fakegoogle::googleerror
