#pragma once

#include <QUrl>

namespace vesk {

/// Google's OAuth 2.0 endpoints for an installed application: the published
/// addresses by default; tests and the demo point them at the local stand-in.
struct OAuthEndpoints
{
    QUrl authorization{QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth")};
    QUrl token{QStringLiteral("https://oauth2.googleapis.com/token")};
    QUrl revocation{QStringLiteral("https://oauth2.googleapis.com/revoke")};
};

} // namespace vesk
