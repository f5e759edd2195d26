#include "OAuthService.h"

#include "LoopbackReceiver.h"
#include "OAuthConfig.h"
#include "OAuthError.h"
#include "PKCE.h"
#include "gmail/GmailError.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "net/DescribedError.h"
#include "net/GoogleErrorBody.h"
#include "net/HTTPTransport.h"
#include "platform/BrowserOpening.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>

#include <cmath>

namespace vesk {

namespace {

HTTPRequest formPost(const QUrl& endpoint, const FormFields& fields)
{
    HTTPRequest request;
    request.url = endpoint;
    request.method = QByteArrayLiteral("POST");
    request.headers.append({QByteArrayLiteral("Content-Type"),
                            QByteArrayLiteral("application/x-www-form-urlencoded")});
    request.body = formEncode(fields);
    return request;
}

TokenSet decodeTokenResponse(const QByteArray& body, const QDateTime& now)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw GmailError::decoding(error.errorString());
    const QJsonObject object = document.object();
    const QJsonValue access = object.value(QLatin1String("access_token"));
    const QJsonValue lifetime = object.value(QLatin1String("expires_in"));
    const QJsonValue refresh = object.value(QLatin1String("refresh_token"));
    const QJsonValue scope = object.value(QLatin1String("scope"));
    const double seconds = lifetime.toDouble(std::nan(""));
    // Required keys with the right types; a lifetime that is not a whole
    // number of seconds within reason is not a token answer either.
    if (!document.isObject() || !access.isString() || !std::isfinite(seconds) ||
        seconds != std::trunc(seconds) || std::abs(seconds) > 1e9 ||
        !(refresh.isUndefined() || refresh.isString()) ||
        !(scope.isUndefined() || scope.isString()))
        throw GmailError::decoding(
            QCoreApplication::translate("vesk::OAuthService", "resposta de token inválida"));
    return TokenSet{access.toString(), refresh.toString(), now.addSecs(qint64(seconds)),
                    scope.toString()};
}

} // namespace

OAuthService::OAuthService(std::shared_ptr<OAuthConfig> config,
                           std::shared_ptr<HTTPTransport> transport,
                           std::shared_ptr<BrowserOpening> browser, OAuthEndpoints endpoints,
                           GmailEndpoints gmailEndpoints, WallClock clock, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_transport(std::move(transport))
    , m_browser(std::move(browser))
    , m_endpoints(std::move(endpoints))
    , m_gmailEndpoints(std::move(gmailEndpoints))
    , m_clock(std::move(clock))
{}

OAuthService::~OAuthService() = default;

QCoro::Task<OAuthService::Authorization> OAuthService::authorize()
{
    // Read once: the code is bound to the client that asked for it, so the
    // exchange must use the same client even if Settings change meanwhile.
    const QString clientId = m_config->clientId();
    const QString clientSecret = clientId.isEmpty() ? QString() : m_config->clientSecret();
    if (clientId.isEmpty() || clientSecret.isEmpty())
        throw OAuthError::notConfigured();

    const QString verifier = PKCE::verifier();
    const QString state = PKCE::state();
    const auto transport = m_transport;
    const QUrl tokenEndpoint = m_endpoints.token;
    const GmailEndpoints gmailEndpoints = m_gmailEndpoints;
    const WallClock clock = m_clock;

    closeReceiver();
    auto* receiver = new LoopbackReceiver(LoopbackReceiver::s_defaultTimeout, this);
    m_receiver = receiver;
    // However authorize ends, the listener closes; if the service is gone, its
    // receiver went with it.
    const QPointer<OAuthService> guard(this);
    const auto cleanup = qScopeGuard([guard] {
        if (guard)
            guard->closeReceiver();
    });

    const quint16 port = co_await receiver->start();
    if (!guard)
        throw OAuthError::cancelled();
    const QString redirectUri = QStringLiteral("http://127.0.0.1:%1").arg(port);
    const QUrl url = authorizationUrl(clientId, redirectUri, state, PKCE::challenge(verifier));
    if (!url.isValid())
        throw OAuthError::noCode();
    // Without a browser nobody comes back: waiting for the time-out would
    // only leave the user looking at a spinner.
    if (!m_browser->open(url))
        throw OAuthError::browserUnavailable();

    // The service may be dropped while the user is in the browser; the
    // receiver then goes with it and this wait ends with cancelled.
    const QString code = co_await receiver->waitForCode(state);
    // The browser waits for the outcome. Cancel, the time-out or the end of
    // the service conclude with cancelled meanwhile, and the attempt then
    // ends so, whatever Google answers: both sides say the same.
    const QPointer<LoopbackReceiver> answering(receiver);
    const auto endIfConcluded = [&answering] {
        if (!answering || answering->isConcluded())
            throw OAuthError::cancelled();
    };
    try {
        endIfConcluded();
        // A named list: GCC 12 rejects a braced list inside a co_await expression.
        const FormFields exchange = {
            {QStringLiteral("code"), code},
            {QStringLiteral("client_id"), clientId},
            {QStringLiteral("client_secret"), clientSecret},
            {QStringLiteral("redirect_uri"), redirectUri},
            {QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
            {QStringLiteral("code_verifier"), verifier},
        };
        const TokenSet tokens = co_await tokenRequest(exchange, transport, tokenEndpoint, clock);
        endIfConcluded();
        AccountIdentity identity =
            co_await readIdentity(tokens.accessToken, transport, gmailEndpoints);
        endIfConcluded();
        answering->concludeLinking(std::nullopt);
        co_return Authorization{tokens, std::move(identity)};
    } catch (const std::exception& error) {
        if (!answering || !answering->concludeLinking(describeError(error)))
            throw OAuthError::cancelled();
        throw;
    }
}

void OAuthService::cancel()
{
    if (m_receiver)
        m_receiver->cancel();
}

QUrl OAuthService::authorizationUrl(const QString& clientId, const QString& redirectUri,
                                    const QString& state, const QString& challenge) const
{
    const FormFields query = {
        {QStringLiteral("client_id"), clientId},
        {QStringLiteral("redirect_uri"), redirectUri},
        {QStringLiteral("response_type"), QStringLiteral("code")},
        {QStringLiteral("scope"), OAuthConfig::scopes().join(u' ')},
        {QStringLiteral("access_type"), QStringLiteral("offline")},
        {QStringLiteral("prompt"), QStringLiteral("consent")},
        {QStringLiteral("include_granted_scopes"), QStringLiteral("true")},
        {QStringLiteral("state"), state},
        {QStringLiteral("code_challenge"), challenge},
        {QStringLiteral("code_challenge_method"), QStringLiteral("S256")},
    };
    // Encoded like the token request's form: QUrlQuery would leave a "+" in a
    // value as it is, and Google would read it as a space.
    QUrl url = m_endpoints.authorization;
    url.setQuery(QString::fromLatin1(formEncode(query)), QUrl::StrictMode);
    return url;
}

QCoro::Task<AccountIdentity> OAuthService::readIdentity(QString accessToken,
                                                        std::shared_ptr<HTTPTransport> transport,
                                                        GmailEndpoints endpoints)
{
    // No vault exists yet for the new account: a fixed token is all it needs.
    LiveGmailAPI gmail(std::move(transport),
                       std::make_shared<StaticTokenProvider>(std::move(accessToken)),
                       std::move(endpoints));
    const GmailProfileDTO profile = co_await gmail.profile();
    // The address identifies the account everywhere; without one there is
    // nothing to link.
    if (profile.emailAddress.trimmed().isEmpty())
        throw GmailError::decoding(
            QCoreApplication::translate("vesk::OAuthService", "perfil sem endereço de e-mail"));
    const std::optional<QString> name = co_await gmail.userName();
    co_return AccountIdentity{profile.emailAddress, name.value_or(profile.emailAddress)};
}

void OAuthService::closeReceiver()
{
    if (LoopbackReceiver* receiver = m_receiver) {
        m_receiver = nullptr;
        receiver->closeListener();
        receiver->deleteLater();
    }
}

QCoro::Task<TokenSet> OAuthService::tokenRequest(FormFields fields,
                                                 std::shared_ptr<HTTPTransport> transport,
                                                 QUrl endpoint, WallClock clock)
{
    HTTPRequest request = formPost(endpoint, fields);
    const HTTPResponse response = co_await transport->send(std::move(request));
    if (!response.statusCode)
        throw GmailError::transport(
            QCoreApplication::translate("vesk::OAuthService", "resposta sem HTTP"));
    const int status = *response.statusCode;
    if (status < 200 || status > 299)
        throw OAuthError::http(GoogleErrorBody::parse(status, response.body));
    co_return decodeTokenResponse(response.body, clock());
}

QCoro::Task<void> OAuthService::revoke(QString token, std::shared_ptr<HTTPTransport> transport,
                                       QUrl endpoint)
{
    try {
        const FormFields form = {{QStringLiteral("token"), token}};
        HTTPRequest request = formPost(endpoint, form);
        co_await transport->send(std::move(request));
    } catch (...) {
        // Removing the account goes on regardless: the local tokens are
        // deleted next, and Google ends unused grants by itself.
    }
}

} // namespace vesk
