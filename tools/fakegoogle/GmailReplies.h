#pragma once

#include "HttpReply.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace vesk::fakegoogle {
struct HttpCall;
}

namespace vesk::fakegoogle::gmailreply {

// The answers Gmail's methods share.
HttpReply notFound();
HttpReply badRequest(const QString& message,
                     const QString& reason = QStringLiteral("invalidArgument"));
HttpReply invalidId();
HttpReply invalidJson();
HttpReply noContent(); // 204, as Gmail answers a successful delete

// The request's JSON object; an empty body counts as {}. Nothing when the
// body is not a JSON object.
std::optional<QJsonObject> jsonBody(const HttpCall& call);

} // namespace vesk::fakegoogle::gmailreply
