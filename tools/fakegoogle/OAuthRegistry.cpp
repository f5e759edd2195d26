#include "OAuthRegistry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

bool OAuthRegistry::secretMatches(const QString& id, const QString& secret) const
{
    const auto it = m_clients.constFind(id);
    return it != m_clients.constEnd() && it.value() == secret;
}

QString OAuthRegistry::randomToken(int bytes)
{
    QByteArray random(bytes, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(random.data()), bytes / 4);
    return QString::fromLatin1(
        random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString OAuthRegistry::issueCode(const Code& code)
{
    QString value = u"4/0A"_s + randomToken(48);
    m_codes.insert(value, code);
    return value;
}

std::optional<OAuthRegistry::Code> OAuthRegistry::takeCode(const QString& code)
{
    const auto it = m_codes.constFind(code);
    if (it == m_codes.cend())
        return std::nullopt;
    Code taken = it.value();
    m_codes.erase(it);
    return taken;
}

TokenGrant OAuthRegistry::issueTokens(const QString& account, const QString& clientId,
                                      const QString& scope, qint64 nowMs, qint64 lifetimeSeconds)
{
    const QString refreshToken = u"1//0g"_s + randomToken(64);
    m_refresh.insert(refreshToken, Grant{account, clientId, scope, 0, {}});
    TokenGrant grant = refresh(m_refresh.value(refreshToken), refreshToken, nowMs, lifetimeSeconds);
    grant.refreshToken = refreshToken;
    return grant;
}

TokenGrant OAuthRegistry::refresh(const Grant& refreshGrant, const QString& refreshToken,
                                  qint64 nowMs, qint64 lifetimeSeconds)
{
    const QString access = u"ya29.a0"_s + randomToken(96);
    const qint64 expires = nowMs + lifetimeSeconds * 1000;
    m_access.insert(access, Grant{refreshGrant.account, refreshGrant.clientId, refreshGrant.scope,
                                  expires, refreshToken});
    return TokenGrant{
        access, {}, QDateTime::fromMSecsSinceEpoch(expires, Qt::UTC), refreshGrant.scope};
}

std::optional<OAuthRegistry::Grant> OAuthRegistry::accessGrant(const QString& token,
                                                               qint64 nowMs) const
{
    const auto it = m_access.constFind(token);
    if (it == m_access.constEnd() || it->expiresAtMs <= nowMs)
        return std::nullopt;
    return it.value();
}

std::optional<OAuthRegistry::Grant> OAuthRegistry::refreshGrant(const QString& token) const
{
    const auto it = m_refresh.constFind(token);
    if (it == m_refresh.constEnd())
        return std::nullopt;
    return it.value();
}

bool OAuthRegistry::revoke(const QString& token)
{
    QString refreshToken = token;
    if (const auto it = m_access.constFind(token); it != m_access.constEnd())
        refreshToken = it->refreshToken;
    else if (!m_refresh.contains(token))
        return false;
    m_refresh.remove(refreshToken);
    m_access.removeIf([&](const auto& entry) {
        return entry.key() == token || entry.value().refreshToken == refreshToken;
    });
    return true;
}

QString OAuthRegistry::normaliseScope(const QString& requested)
{
    // Google answers with the full forms of the OpenID short scopes.
    QStringList scopes;
    for (const QString& scope : requested.split(u' ', Qt::SkipEmptyParts)) {
        QString full = scope;
        if (scope == u"email"_s)
            full = u"https://www.googleapis.com/auth/userinfo.email"_s;
        else if (scope == u"profile"_s)
            full = u"https://www.googleapis.com/auth/userinfo.profile"_s;
        if (!scopes.contains(full))
            scopes.append(full);
    }
    return scopes.join(u' ');
}

bool OAuthRegistry::isPkceVerifierValid(const QString& verifier)
{
    // RFC 7636: 43 to 128 unreserved characters.
    static const QRegularExpression allowed(u"^[A-Za-z0-9\\-._~]{43,128}$"_s);
    return allowed.match(verifier).hasMatch();
}

QString OAuthRegistry::s256(const QString& verifier)
{
    const QByteArray digest =
        QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256);
    return QString::fromLatin1(
        digest.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace vesk::fakegoogle
