#include "AuthTestRig.h"

#include "AwaitTask.h"
#include "auth/TokenVault.h"
#include "platform/QSettingsStore.h"

using vesk::test::awaitTask;

using namespace vesk;

AuthTestRig::AuthTestRig()
    : m_keychain(std::make_shared<Keychain>())
    , m_transport(std::make_shared<QNetworkTransport>())
    , m_now(std::make_shared<QDateTime>(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC))
{
    m_config = std::make_shared<OAuthConfig>(
        std::make_shared<QSettingsStore>(m_dir.filePath(QStringLiteral("settings.ini"))),
        m_keychain);
    m_google.registerClient(clientId(), clientSecret());
    m_google.addAccount(email(), name());
    m_config->setClientId(clientId());
    m_config->setClientSecret(clientSecret());
    m_ready = m_dir.isValid() && m_google.start() && m_config->isConfigured() && waitUntilServing();
}

bool AuthTestRig::waitUntilServing()
{
    // The stand-in's server thread may not be in its accept loop yet when
    // start() returns, and stopping it before then never returns. One answered
    // request proves it is serving; the log is cleared for the test.
    HTTPRequest request;
    request.url = m_google.userInfoUrl();
    const HTTPResponse response = awaitTask(m_transport->send(request));
    m_google.clearRequests();
    return response.statusCode.has_value();
}

AuthTestRig::~AuthTestRig()
{
    m_config->setClientSecret(QString());
    m_keychain->remove(TokenVault::tokenService(), email());
}

OAuthEndpoints AuthTestRig::oauthEndpoints() const
{
    return OAuthEndpoints{m_google.authUrl(), m_google.tokenUrl(), m_google.revokeUrl()};
}

GmailEndpoints AuthTestRig::gmailEndpoints() const
{
    return GmailEndpoints{m_google.gmailBaseUrl(), m_google.userInfoUrl()};
}

WallClock AuthTestRig::clock() const
{
    return [now = m_now] { return *now; };
}

int AuthTestRig::requestCount(const QString& path) const
{
    int count = 0;
    for (const auto& request : m_google.requests())
        count += request.path == path ? 1 : 0;
    return count;
}
