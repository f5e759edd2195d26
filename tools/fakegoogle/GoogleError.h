#pragma once

#include "HttpReply.h"

#include <QString>

namespace vesk::fakegoogle::googleerror {

// Error answers in the shape Google's JSON APIs use: {"error": {"code",
// "message", "errors": [{"message", "domain", "reason"}], "status"}}.
HttpReply api(int code, const QString& message, const QString& reason,
              const QString& domain = QStringLiteral("global"));

// The answer Google gives for a status when nothing more specific is known.
HttpReply forStatus(int code);

// 401 for a missing, unknown, expired or revoked bearer token, with the
// WWW-Authenticate header Google adds.
HttpReply invalidCredentials();

// The OAuth endpoints answer differently: {"error": "...", "error_description": "..."}.
HttpReply oauth(int code, const QString& error, const QString& description);

} // namespace vesk::fakegoogle::googleerror
