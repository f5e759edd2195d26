#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace vesk {

class SecureStore;
class SettingsStore;

/// The OAuth client the user created in their own Google console: the Client
/// ID in the settings store, the Client Secret in the keychain. The program
/// embeds no client of its own, so no account can be linked until both are set.
///
/// Caches nothing: every read goes to the stores again, so a change saved in
/// the settings window is seen by the next token request. Use it from the GUI
/// thread (the settings store is not shared across threads); the keychain
/// serialises itself.
class OAuthConfig final
{
public:
    OAuthConfig(std::shared_ptr<SettingsStore> settings, std::shared_ptr<SecureStore> keychain);

    /// Asked for every account, in this order; joined with single spaces.
    static const QStringList& scopes();
    static QString clientIDKey() { return QStringLiteral("oauthClientID"); }
    static QString secretService() { return QStringLiteral("app.orvendo.vesk.oauth"); }
    static QString secretAccount() { return QStringLiteral("clientSecret"); }

    /// Trimmed of white space and line breaks at both ends; empty when unset.
    QString clientID() const;
    /// Stores the trimmed text; an empty result is stored as empty text.
    void setClientID(const QString& clientID);

    /// Empty when the keychain has none (or cannot be read).
    QString clientSecret() const;
    /// Stores the trimmed text; white space only deletes the stored secret.
    void setClientSecret(const QString& clientSecret);

    /// Both values non-empty; an empty Client ID spares the keychain lookup.
    bool isConfigured() const;

    /// Where the client secret is kept; the token vaults keep theirs there too.
    SecureStore& keychain() const { return *m_keychain; }

private:
    const std::shared_ptr<SettingsStore> m_settings;
    const std::shared_ptr<SecureStore> m_keychain;
};

} // namespace vesk
