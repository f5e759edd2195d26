#pragma once

#include "FakeGoogle.h"
#include "auth/OAuthConfig.h"
#include "auth/OAuthEndpoints.h"
#include "gmail/GmailEndpoints.h"
#include "net/QNetworkTransport.h"
#include "platform/Keychain.h"
#include "platform/WallClock.h"

#include <QTemporaryDir>

#include <memory>

/// What the OAuth tests share: the Google stand-in on a free port with one
/// registered client and one account, a configuration over a settings file of
/// the test's own and the real keychain, the real transport, and a clock the
/// test moves. Tears down the keychain items it wrote.
class AuthTestRig final
{
public:
    static QString clientId() { return QStringLiteral("vesk-teste.apps.googleusercontent.com"); }
    static QString clientSecret() { return QStringLiteral("GOCSPX-segredo"); }
    static QString email() { return QStringLiteral("ana@exemplo.pt"); }
    static QString name() { return QStringLiteral("Ana Sá"); }

    AuthTestRig();
    ~AuthTestRig();

    bool isReady() const { return m_ready; }
    vesk::fakegoogle::FakeGoogle& google() { return m_google; }
    const std::shared_ptr<vesk::OAuthConfig>& config() const { return m_config; }
    vesk::Keychain& keychain() const { return *m_keychain; }
    std::shared_ptr<vesk::QNetworkTransport> transport() const { return m_transport; }
    vesk::OAuthEndpoints oauthEndpoints() const;
    vesk::GmailEndpoints gmailEndpoints() const;

    vesk::WallClock clock() const;
    QDateTime now() const { return *m_now; }
    void setNow(const QDateTime& now) { *m_now = now; }

    /// Requests the stand-in received on this path.
    int requestCount(const QString& path) const;

private:
    bool waitUntilServing();

    QTemporaryDir m_dir;
    vesk::fakegoogle::FakeGoogle m_google;
    std::shared_ptr<vesk::Keychain> m_keychain;
    std::shared_ptr<vesk::OAuthConfig> m_config;
    std::shared_ptr<vesk::QNetworkTransport> m_transport;
    std::shared_ptr<QDateTime> m_now;
    bool m_ready = false;
};
