#include "TestRig.h"

#include "AwaitTask.h"
#include "RecordingNotificationPoster.h"
#include "SimpleMessage.h"
#include "auth/OAuthConfig.h"
#include "auth/TokenVault.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "gmail/WireRecords.h"
#include "model/FullMessage.h"
#include "net/QNetworkTransport.h"
#include "platform/QSettingsStore.h"
#include "sync/AccountSession.h"

namespace vesk::test {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

TestRig::TestRig(const QList<AccountIdentity>& accounts)
    : m_google(std::make_unique<fakegoogle::FakeGoogle>())
    , m_settings(std::make_shared<QSettingsStore>(m_dir.filePath(u"settings.ini"_s)))
    , m_keychain(std::make_shared<TrackedKeychain>())
    , m_transport(std::make_shared<QNetworkTransport>())
    , m_poster(std::make_shared<RecordingNotificationPoster>())
    , m_now(std::make_shared<QDateTime>(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC))
{
    if (!m_dir.isValid() || !m_google->start())
        qFatal("the test rig could not start the Google stand-in");
    m_google->registerClient(clientId(), clientSecret());
    for (const AccountIdentity& account : accounts)
        m_google->addAccount(account.email, account.name);
    // The stand-in's server thread may not be in its accept loop yet when
    // start() returns, and stopping it before then never returns. One answered
    // request proves it is serving; the log is cleared for the test.
    HTTPRequest request;
    request.url = m_google->userInfoUrl();
    if (!awaitTask(m_transport->send(request)).statusCode)
        qFatal("the Google stand-in does not answer");
    m_google->clearRequests();
}

TestRig::~TestRig()
{
    m_keychain->removeWritten();
    // Client connections close before the stand-in, which waits for kept-alive ones.
    m_config.reset();
    m_transport.reset();
}

const std::shared_ptr<OAuthConfig>& TestRig::config()
{
    if (!m_config) {
        m_config = std::make_shared<OAuthConfig>(m_settings, m_keychain);
        m_config->setClientId(clientId());
        m_config->setClientSecret(clientSecret());
    }
    return m_config;
}

OAuthEndpoints TestRig::oauthEndpoints() const
{
    return OAuthEndpoints{m_google->authUrl(), m_google->tokenUrl(), m_google->revokeUrl()};
}

GmailEndpoints TestRig::gmailEndpoints() const
{
    return GmailEndpoints{m_google->gmailBaseUrl(), m_google->userInfoUrl()};
}

SessionServices TestRig::sessionServices()
{
    return SessionServices{m_transport,      m_poster,         config(),
                           oauthEndpoints(), gmailEndpoints(), RetryPolicy{2, 5ms, 20ms},
                           path(u"cache"_s)};
}

std::shared_ptr<GmailAPIClient> TestRig::gmailClient(const QString& email, RetryPolicy retries)
{
    return std::make_shared<LiveGmailAPI>(
        m_transport, std::make_shared<StaticTokenProvider>(tokensFor(email).accessToken),
        gmailEndpoints(), retries);
}

std::unique_ptr<AccountSession> TestRig::session(const AccountIdentity& account, bool notifications)
{
    auto created = std::make_unique<AccountSession>(account, sessionServices(), notifications);
    created->vault()->saveTokenSet(tokensFor(account.email));
    return created;
}

std::shared_ptr<TokenVault> TestRig::vault(const QString& email)
{
    return std::make_shared<TokenVault>(email, config(), m_transport, oauthEndpoints(), clock());
}

TokenSet TestRig::tokensFor(const QString& email)
{
    const auto grant = m_google->issueTokens(email, clientId(), 3600s);
    return TokenSet{grant.accessToken, grant.refreshToken, grant.expiresAt, grant.scope};
}

WallClock TestRig::clock() const
{
    return [now = m_now] { return *now; };
}

int TestRig::requestsEndingWith(const QString& pathEnd) const
{
    int count = 0;
    for (const auto& request : m_google->requests())
        count += request.path.endsWith(pathEnd) ? 1 : 0;
    return count;
}

QByteArray TestRig::mail(const QString& to, const QString& subject)
{
    fakegoogle::SimpleMessage message;
    message.from = u"Sofia <sofia@x.pt>"_s;
    message.to = to;
    message.subject = subject;
    message.text = u"Olá, até já"_s;
    return message.toRfc822();
}

fakegoogle::MessageRef TestRig::deliver(const QString& email, const QString& subject,
                                        const QStringList& labelIds)
{
    return m_google->deliverMessage(email, mail(email, subject), labelIds);
}

QStringList TestRig::deliverMany(const QString& email, int count, const QString& word,
                                 const QStringList& labelIds, int spacing)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < count; ++i)
        m_google->addMessage(email, mail(email, u"%1 %2"_s.arg(word).arg(i)), labelIds,
                             now.addSecs(-spacing * (i + 1)));
    return m_google->messageIds(email);
}

AttachmentInfo TestRig::deliverAttachment(const QString& email, const QString& name,
                                          const QByteArray& bytes)
{
    fakegoogle::SimpleMessage message;
    message.from = u"Rui <rui@x.pt>"_s;
    message.to = email;
    message.subject = u"Segue o anexo"_s;
    message.text = u"Vê o anexo."_s;
    message.attachments = {{name, "application/octet-stream", bytes, {}}};
    const auto ref = m_google->deliverMessage(email, message.toRfc822());
    const auto thread = awaitTask(gmailClient(email)->getThread(ref.threadId));
    return thread.messages->first().toFull().attachments.value(0);
}

fakegoogle::FaultRule TestRig::onAttachmentsOf(const QString& messageId,
                                               fakegoogle::FaultRule::Kind kind)
{
    fakegoogle::FaultRule rule;
    rule.kind = kind;
    rule.pathPattern = u".*/messages/"_s + messageId + u"/attachments/.*"_s;
    return rule;
}

fakegoogle::FaultRule TestRig::answering(const QString& pathPattern, int status,
                                         const QByteArray& body, int times)
{
    fakegoogle::FaultRule rule;
    rule.pathPattern = pathPattern;
    rule.status = status;
    rule.body = body;
    rule.times = times;
    return rule;
}

fakegoogle::FaultRule TestRig::delayed(const QString& method, const QString& pathPattern,
                                       int delayMs)
{
    fakegoogle::FaultRule rule;
    rule.kind = fakegoogle::FaultRule::Kind::Delay;
    rule.method = method;
    rule.pathPattern = pathPattern;
    rule.delayMs = delayMs;
    return rule;
}

} // namespace vesk::test
