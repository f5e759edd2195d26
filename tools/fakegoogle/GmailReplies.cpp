#include "GmailReplies.h"

#include "GoogleError.h"
#include "HttpCall.h"

#include <QJsonDocument>

namespace vesk::fakegoogle::gmailreply {

using namespace Qt::StringLiterals;

HttpReply notFound()
{
    return googleerror::api(404, u"Requested entity was not found."_s, u"notFound"_s);
}

HttpReply badRequest(const QString& message, const QString& reason)
{
    return googleerror::api(400, message, reason);
}

HttpReply invalidId()
{
    return badRequest(u"Invalid id value"_s);
}

HttpReply invalidJson()
{
    return badRequest(u"Invalid JSON payload received."_s, u"parseError"_s);
}

HttpReply noContent()
{
    HttpReply reply;
    reply.status = 204;
    reply.contentType.clear();
    return reply;
}

std::optional<QJsonObject> jsonBody(const HttpCall& call)
{
    if (call.body.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(call.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace vesk::fakegoogle::gmailreply
