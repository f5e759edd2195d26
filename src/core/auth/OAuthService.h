#pragma once

#include "FormEncoding.h"
#include "LoopbackReceiver.h"
#include "OAuthEndpoints.h"
#include "TokenSet.h"
#include "gmail/GmailEndpoints.h"
#include "model/AccountIdentity.h"
#include "platform/WallClock.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <memory>

namespace vesk {

class BrowserOpening;
class HTTPTransport;
class OAuthConfig;

/// Links a Gmail account: the OAuth 2.0 authorisation-code flow with PKCE for
/// an installed application. Opens Google's consent page in the browser,
/// receives the code on 127.0.0.1, exchanges it for tokens and reads the new
/// account's address and name. Also holds the token-endpoint call shared with
/// the token vault and the revocation used when an account is removed.
///
/// The application state creates one service per linking attempt and keeps it
/// while the attempt runs, so that the accounts window can cancel it. Lives on
/// the GUI thread; one authorize at a time.
class OAuthService final : public QObject
{
    Q_OBJECT

public:
    struct Authorization
    {
        TokenSet tokens;
        AccountIdentity identity;
    };

    OAuthService(std::shared_ptr<OAuthConfig> config, std::shared_ptr<HTTPTransport> transport,
                 std::shared_ptr<BrowserOpening> browser, OAuthEndpoints endpoints = {},
                 GmailEndpoints gmailEndpoints = {}, WallClock clock = systemWallClock(),
                 QObject* parent = nullptr);
    ~OAuthService() override;

    /// Fails with OAuthError (notConfigured before any network or browser
    /// activity; browserUnavailable when the consent page cannot be opened;
    /// googleError, stateMismatch, cancelled from the redirect; http from the
    /// token endpoint), GmailError from the identity lookups, or NetworkError.
    /// The browser's code redirect is answered with the outcome once the
    /// tokens and the identity are in. A cancel after the code still ends the
    /// attempt as cancelled. The listener is closed on every way out.
    QCoro::Task<Authorization> authorize();

    /// The receiver of the attempt in progress; null before and after it.
    LoopbackReceiver* receiver() const { return m_receiver; }
    /// Ends the attempt in progress with OAuthError::cancelled, also while
    /// the code is being exchanged.
    void cancel();

    /// POSTs the form to the token endpoint. The result's refresh token and
    /// scope are empty when Google sent none; its expiry is the time of the
    /// answer plus "expires_in". Fails with OAuthError::http outside 200–299,
    /// GmailError::transport for a non-HTTP answer, GmailError::decoding for
    /// an answer that is not a token response, NetworkError from the network.
    static QCoro::Task<TokenSet> tokenRequest(FormFields fields,
                                              std::shared_ptr<HTTPTransport> transport,
                                              QUrl endpoint = OAuthEndpoints{}.token,
                                              WallClock clock = systemWallClock());

    /// Asks Google to revoke the token (and with it the whole grant). Never
    /// fails: whatever comes back, or does not, is ignored.
    static QCoro::Task<void> revoke(QString token, std::shared_ptr<HTTPTransport> transport,
                                    QUrl endpoint = OAuthEndpoints{}.revocation);

private:
    QUrl authorizationUrl(const QString& clientId, const QString& redirectUri, const QString& state,
                          const QString& challenge) const;
    static QCoro::Task<AccountIdentity> readIdentity(QString accessToken,
                                                     std::shared_ptr<HTTPTransport> transport,
                                                     GmailEndpoints endpoints);
    void closeReceiver();

    const std::shared_ptr<OAuthConfig> m_config;
    const std::shared_ptr<HTTPTransport> m_transport;
    const std::shared_ptr<BrowserOpening> m_browser;
    const OAuthEndpoints m_endpoints;
    const GmailEndpoints m_gmailEndpoints;
    const WallClock m_clock;
    QPointer<LoopbackReceiver> m_receiver;
};

} // namespace vesk
