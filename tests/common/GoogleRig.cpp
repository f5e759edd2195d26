#include "GoogleRig.h"

#include "SimpleMessage.h"
#include "net/QNetworkTransport.h"

#include <QTest>

namespace vesk::test {

using namespace std::chrono_literals;

GoogleRig::GoogleRig()
    : m_google(std::make_unique<fakegoogle::FakeGoogle>())
{
    if (!m_google->start())
        qFatal("the Google stand-in did not start");
    m_google->registerClient(QStringLiteral("cid"), QStringLiteral("segredo"));
}

OAuthEndpoints GoogleRig::oauthEndpoints() const
{
    return OAuthEndpoints{m_google->authUrl(), m_google->tokenUrl(), m_google->revokeUrl()};
}

SessionServices GoogleRig::sessionServices(std::shared_ptr<OAuthConfig> config,
                                           std::shared_ptr<NotificationPosting> poster,
                                           const QString& cacheDirectory) const
{
    return SessionServices{std::make_shared<QNetworkTransport>(),
                           std::move(poster),
                           std::move(config),
                           oauthEndpoints(),
                           GmailEndpoints{m_google->gmailBaseUrl(), m_google->userInfoUrl()},
                           RetryPolicy{2, 5ms, 20ms},
                           cacheDirectory};
}

TokenSet GoogleRig::tokensFor(const QString& email)
{
    const auto grant = m_google->issueTokens(email, QStringLiteral("cid"), 3600s);
    return TokenSet{grant.accessToken, grant.refreshToken, grant.expiresAt, grant.scope};
}

QByteArray GoogleRig::mail(const QString& to, const QString& subject)
{
    fakegoogle::SimpleMessage message;
    message.from = QStringLiteral("Sofia <sofia@x.pt>");
    message.to = to;
    message.subject = subject;
    message.text = QStringLiteral("Olá, até já");
    return message.toRfc822();
}

int requestsEndingWith(const fakegoogle::FakeGoogle& google, const QString& pathEnd)
{
    int count = 0;
    for (const auto& request : google.requests())
        count += request.path.endsWith(pathEnd) ? 1 : 0;
    return count;
}

} // namespace vesk::test
