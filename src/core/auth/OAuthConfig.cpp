#include "OAuthConfig.h"

#include "platform/SecureStore.h"
#include "platform/SettingsStore.h"

namespace vesk {

OAuthConfig::OAuthConfig(std::shared_ptr<SettingsStore> settings,
                         std::shared_ptr<SecureStore> keychain)
    : m_settings(std::move(settings))
    , m_keychain(std::move(keychain))
{
    Q_ASSERT(m_settings && m_keychain);
}

const QStringList& OAuthConfig::scopes()
{
    static const QStringList s_scopes = {
        QStringLiteral("openid"),
        QStringLiteral("email"),
        QStringLiteral("profile"),
        QStringLiteral("https://www.googleapis.com/auth/gmail.modify"),
    };
    return s_scopes;
}

QString OAuthConfig::clientID() const
{
    // QString::trimmed removes the Unicode white-space and line-break set,
    // which is what a paste from a web console tends to bring along.
    return m_settings->text(clientIDKey()).value_or(QString()).trimmed();
}

void OAuthConfig::setClientID(const QString& clientID)
{
    m_settings->setText(clientIDKey(), clientID.trimmed());
}

QString OAuthConfig::clientSecret() const
{
    return m_keychain->get(secretService(), secretAccount()).value_or(QString());
}

void OAuthConfig::setClientSecret(const QString& clientSecret)
{
    // The outcome is not reported: a secret whose write failed reads back as
    // empty (or as the previous one), and isConfigured shows it.
    const QString trimmed = clientSecret.trimmed();
    if (trimmed.isEmpty())
        m_keychain->remove(secretService(), secretAccount());
    else
        m_keychain->set(trimmed, secretService(), secretAccount());
}

bool OAuthConfig::isConfigured() const
{
    if (clientID().isEmpty())
        return false;
    return !clientSecret().isEmpty();
}

} // namespace vesk
