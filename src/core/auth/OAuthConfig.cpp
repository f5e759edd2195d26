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

OAuthConfig::~OAuthConfig() = default;

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

QString OAuthConfig::clientId() const
{
    // QString::trimmed removes the Unicode white-space and line-break set,
    // which is what a paste from a web console tends to bring along.
    return m_settings->text(clientIdKey()).value_or(QString()).trimmed();
}

void OAuthConfig::setClientId(const QString& clientId)
{
    const QString trimmed = clientId.trimmed();
    if (trimmed == this->clientId())
        return;
    m_settings->setText(clientIdKey(), trimmed);
    Q_EMIT clientIdChanged();
}

QString OAuthConfig::clientSecret() const
{
    return m_keychain->get(secretService(), secretAccount()).value_or(QString());
}

void OAuthConfig::setClientSecret(const QString& clientSecret)
{
    // The outcome is not reported: a secret whose write failed reads back as
    // empty (or as the previous one), and isConfigured shows it. Only a
    // write that went through changed anything to announce.
    const QString trimmed = clientSecret.trimmed();
    const QString before = this->clientSecret();
    if (trimmed.isEmpty()) {
        // Removed even when it reads as empty: an unreadable item goes too.
        if (m_keychain->remove(secretService(), secretAccount()) && !before.isEmpty())
            Q_EMIT clientSecretChanged();
        return;
    }
    if (trimmed != before && m_keychain->set(trimmed, secretService(), secretAccount()))
        Q_EMIT clientSecretChanged();
}

bool OAuthConfig::isConfigured() const
{
    if (clientId().isEmpty())
        return false;
    return !clientSecret().isEmpty();
}

} // namespace vesk
