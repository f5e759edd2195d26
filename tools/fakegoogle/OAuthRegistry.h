#pragma once

#include "TokenGrant.h"

#include <QHash>
#include <QString>

#include <optional>

namespace vesk::fakegoogle {

// Google's side of OAuth: registered clients, one-time authorisation codes
// with their PKCE challenge, and the access and refresh tokens in force.
// Times are milliseconds on the server's clock. Not thread-safe: the
// server's lock guards it.
class OAuthRegistry final
{
public:
    struct Code
    {
        QString clientId;
        QString redirectUri;
        QString challenge; // empty when the request carried none
        QString challengeMethod;
        QString account;
        QString scope;
        qint64 expiresAtMs = 0;
    };

    struct Grant
    {
        QString account;
        QString clientId;
        QString scope;
        qint64 expiresAtMs = 0; // 0 for refresh tokens: they do not expire by time
        QString refreshToken;   // the refresh token an access token came from
    };

    void registerClient(const QString& id, const QString& secret) { m_clients.insert(id, secret); }
    bool hasClient(const QString& id) const { return m_clients.contains(id); }
    bool secretMatches(const QString& id, const QString& secret) const;

    QString issueCode(const Code& code);
    std::optional<Code> takeCode(const QString& code); // a code works once

    TokenGrant issueTokens(const QString& account, const QString& clientId, const QString& scope,
                           qint64 nowMs, qint64 lifetimeSeconds);
    TokenGrant refresh(const Grant& refreshGrant, const QString& refreshToken, qint64 nowMs,
                       qint64 lifetimeSeconds);

    std::optional<Grant> accessGrant(const QString& token, qint64 nowMs) const;
    std::optional<Grant> refreshGrant(const QString& token) const;
    // Revoking either kind of token ends the whole grant, as at Google.
    bool revoke(const QString& token);

    static QString normaliseScope(const QString& requested);
    static bool isPkceVerifierValid(const QString& verifier);
    static QString s256(const QString& verifier);

private:
    static QString randomToken(int bytes);

    QHash<QString, QString> m_clients; // id -> secret
    QHash<QString, Code> m_codes;
    QHash<QString, Grant> m_access;
    QHash<QString, Grant> m_refresh;
};

} // namespace vesk::fakegoogle
