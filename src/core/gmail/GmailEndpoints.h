#pragma once

#include <QUrl>

namespace vesk {

/// Where the Gmail client sends its calls: Google's published addresses by
/// default; tests and the demo point them at the local stand-in.
struct GmailEndpoints
{
    /// The Gmail API base for user "me"; operation paths are appended to it.
    QUrl gmailBase{QStringLiteral("https://gmail.googleapis.com/gmail/v1/users/me")};
    /// The OpenID Connect userinfo endpoint.
    QUrl userInfo{QStringLiteral("https://openidconnect.googleapis.com/v1/userinfo")};
};

} // namespace vesk
