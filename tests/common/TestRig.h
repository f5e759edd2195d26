#pragma once

#include "FakeGoogle.h"
#include "FaultRule.h"
#include "RecordingNotificationPoster.h"
#include "TrackedKeychain.h"
#include "auth/OAuthConfig.h"
#include "auth/OAuthEndpoints.h"
#include "auth/TokenSet.h"
#include "gmail/GmailEndpoints.h"
#include "model/AccountIdentity.h"
#include "model/AttachmentInfo.h"
#include "net/QNetworkTransport.h"
#include "platform/QSettingsStore.h"
#include "platform/WallClock.h"
#include "sync/SessionServices.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace vesk {
class AccountSession;
class GmailAPIClient;
class TokenVault;
} // namespace vesk

namespace vesk::test {

/// What the tests that reach Google share: the stand-in serving on a free
/// port with the OAuth client clientId() / clientSecret() and the given
/// accounts, a folder of the test's own for settings and caches, the real
/// keychain of the private session, the real transport, a recording poster
/// and a clock the test moves. The keychain items the test wrote through the
/// rig are removed when the rig goes.
class TestRig final
{
public:
    static QString clientId() { return QStringLiteral("cid"); }
    static QString clientSecret() { return QStringLiteral("segredo"); }

    explicit TestRig(const QList<AccountIdentity>& accounts = {});
    ~TestRig();
    TestRig(const TestRig&) = delete;
    TestRig& operator=(const TestRig&) = delete;

    fakegoogle::FakeGoogle& google() { return *m_google; }
    const fakegoogle::FakeGoogle& google() const { return *m_google; }
    /// A path inside the test's own folder.
    QString path(const QString& name) const { return m_dir.filePath(name); }

    const std::shared_ptr<QSettingsStore>& settings() const { return m_settings; }
    TrackedKeychain& keychain() const { return *m_keychain; }
    /// The OAuth configuration over the test's settings and the keychain. The
    /// client is configured on first use, so that tests that never ask for it
    /// leave the keychain alone.
    const std::shared_ptr<OAuthConfig>& config();
    const std::shared_ptr<QNetworkTransport>& transport() const { return m_transport; }
    const std::shared_ptr<RecordingNotificationPoster>& poster() const { return m_poster; }

    OAuthEndpoints oauthEndpoints() const;
    GmailEndpoints gmailEndpoints() const;
    /// Services for sessions against the stand-in, with quick retries and the
    /// cache in the test's folder.
    SessionServices sessionServices();
    /// A Gmail client of the account with a fixed fresh token.
    std::shared_ptr<GmailAPIClient> gmailClient(const QString& email,
                                                RetryPolicy retries = RetryPolicy{
                                                    2, std::chrono::milliseconds(5),
                                                    std::chrono::milliseconds(20)});
    /// A session of the account over sessionServices(), its tokens stored.
    std::unique_ptr<AccountSession> session(const AccountIdentity& account,
                                            bool notifications = true);
    /// The account's token vault over the rig's keychain, on the rig's clock.
    std::shared_ptr<TokenVault> vault(const QString& email);
    /// Fresh tokens for the account, as after a consent.
    TokenSet tokensFor(const QString& email);

    /// The OAuth clock, which moves only when the test sets it.
    WallClock clock() const;
    QDateTime now() const { return *m_now; }
    void setNow(const QDateTime& now) { *m_now = now; }

    /// How many requests the stand-in received whose path ends with `pathEnd`.
    int requestsEndingWith(const QString& pathEnd) const;

    /// A plain message from Sofia to `to` with this subject.
    static QByteArray mail(const QString& to, const QString& subject);
    /// Delivers mail(email, subject) to the account now, with these labels.
    fakegoogle::MessageRef deliver(const QString& email, const QString& subject,
                                   const QStringList& labelIds = {QStringLiteral("INBOX"),
                                                                  QStringLiteral("UNREAD")});
    /// `count` one-message conversations "<word> <n>" for the account, the
    /// n-th filed (n + 1) × `spacing` seconds ago; the account's message
    /// ids, newest first.
    QStringList deliverMany(const QString& email, int count, const QString& word,
                            const QStringList& labelIds = {QStringLiteral("INBOX")},
                            int spacing = 60);
    /// Delivers to `email` a message from Rui carrying one file, and returns
    /// the attachment as the Gmail client lists it.
    AttachmentInfo deliverAttachment(const QString& email, const QString& name,
                                     const QByteArray& bytes);

    /// A fault on the attachments of one message ("[^/]+": of any message).
    static fakegoogle::FaultRule onAttachmentsOf(const QString& messageId,
                                                 fakegoogle::FaultRule::Kind kind);
    /// A fault that answers matching paths with this status and body (empty:
    /// Google's own error body) instead of the real answer.
    static fakegoogle::FaultRule answering(const QString& pathPattern, int status,
                                           const QByteArray& body = {}, int times = 1);
    /// A fault that holds answers to `method` requests on matching paths.
    static fakegoogle::FaultRule delayed(const QString& method, const QString& pathPattern,
                                         int delayMs);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<fakegoogle::FakeGoogle> m_google;
    std::shared_ptr<QSettingsStore> m_settings;
    std::shared_ptr<TrackedKeychain> m_keychain;
    std::shared_ptr<OAuthConfig> m_config;
    std::shared_ptr<QNetworkTransport> m_transport;
    std::shared_ptr<RecordingNotificationPoster> m_poster;
    std::shared_ptr<QDateTime> m_now;
};

} // namespace vesk::test
