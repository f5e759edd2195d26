#pragma once

#include <QObject>
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
/// the settings window is seen by the next token request. A change made
/// through this object is announced, once, and only when it changed what
/// reads back. Built once by the program's composition and shared by the
/// account sessions, their token vaults and the application state; lives on
/// and is used from the GUI thread (the settings store is not shared across
/// threads); the keychain serialises itself.
class OAuthConfig final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString clientId READ clientId WRITE setClientId NOTIFY clientIdChanged)

public:
    OAuthConfig(std::shared_ptr<SettingsStore> settings, std::shared_ptr<SecureStore> keychain);
    ~OAuthConfig() override;

    /// Asked for every account, in this order; joined with single spaces.
    static const QStringList& scopes();
    /// The settings key, as stored by earlier versions: it must not change.
    static QString clientIdKey() { return QStringLiteral("oauthClientID"); }
    static QString secretService() { return QStringLiteral("app.orvendo.vesk.oauth"); }
    static QString secretAccount() { return QStringLiteral("clientSecret"); }

    /// Trimmed of white space and line breaks at both ends; empty when unset.
    QString clientId() const;
    /// Stores the trimmed text; an empty result is stored as empty text.
    void setClientId(const QString& clientId);

    /// Empty when the keychain has none (or cannot be read).
    QString clientSecret() const;
    /// Stores the trimmed text; white space only deletes the stored secret.
    void setClientSecret(const QString& clientSecret);

    /// Both values non-empty; an empty Client ID spares the keychain lookup.
    bool isConfigured() const;

    /// Where the client secret is kept; the token vaults keep theirs there too.
    SecureStore& keychain() const { return *m_keychain; }

Q_SIGNALS:
    void clientIdChanged();
    /// The secret itself is not sent along: observers read it if they must.
    void clientSecretChanged();

private:
    const std::shared_ptr<SettingsStore> m_settings;
    const std::shared_ptr<SecureStore> m_keychain;
};

} // namespace vesk
