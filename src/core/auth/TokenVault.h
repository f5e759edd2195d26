#pragma once

#include "OAuthEndpoints.h"
#include "TokenSet.h"
#include "gmail/AccessTokenProviding.h"
#include "platform/WallClock.h"

#include <QMutex>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace vesk {

class HTTPTransport;
class OAuthConfig;
class PendingText;

/// One account's tokens in the keychain (service "app.orvendo.vesk.tokens",
/// account = the e-mail address) and the access tokens the Gmail client asks
/// for. Refreshes through Google's token endpoint when the token is about to
/// expire, with at most one refresh in flight: concurrent callers share it.
///
/// Keeps the set it last read or wrote in memory, so that a Gmail call with a
/// valid token does not reach the keychain (a D-Bus round trip to the secret
/// service, on the GUI thread). The keychain is read again whenever the kept
/// token is stale, and a refresh always starts from the stored set, so
/// tokens written by another vault of the same account are picked up no
/// later than the next refresh or 401. Owned by the account's session; used
/// from the GUI thread. A lock guards the kept set, the in-flight refresh and
/// each load-modify-save of the stored set.
class TokenVault final
    : public QObject
    , public AccessTokenProviding
{
    Q_OBJECT

public:
    static QString tokenService() { return QStringLiteral("app.orvendo.vesk.tokens"); }

    TokenVault(QString email, std::shared_ptr<OAuthConfig> config,
               std::shared_ptr<HTTPTransport> transport, OAuthEndpoints endpoints = {},
               WallClock clock = systemWallClock(), QObject* parent = nullptr);
    ~TokenVault() override;

    const QString& email() const { return m_email; }

    /// Reads the keychain. Nothing when there is no item or it does not decode.
    std::optional<TokenSet> loadTokenSet() const;
    /// Replaces the stored set; a failed write is silent (the next call refreshes).
    void saveTokenSet(const TokenSet& tokens);
    /// Removes the account's item, when the account is removed.
    void deleteTokens();

    /// The stored token while it has more than 60 seconds to live; otherwise
    /// one shared refresh. Fails with GmailError::unauthorized when no tokens
    /// are stored, or with the token request's error (OAuthError::http when
    /// Google refuses); the stored set is then unchanged.
    QCoro::Task<QString> validAccessToken() override;
    /// Marks the stored token as expired so the next call refreshes.
    QCoro::Task<void> invalidateAccessToken() override;

private:
    static QCoro::Task<void> runRefresh(QPointer<TokenVault> vault,
                                        std::shared_ptr<PendingText> flight);
    QCoro::Task<QString> performRefresh();
    void keepRefreshed(const TokenSet& old, const TokenSet& fresh);
    std::optional<TokenSet> loadAndKeepLocked();
    bool isFresh(const std::optional<TokenSet>& tokens) const;

    const QString m_email;
    /// Shared: a Gmail call in flight keeps the vault, and so the
    /// configuration, alive after its session has gone.
    const std::shared_ptr<OAuthConfig> m_config;
    const std::shared_ptr<HTTPTransport> m_transport;
    const OAuthEndpoints m_endpoints;
    const WallClock m_clock;

    // Guards m_kept, m_refreshing and each load-modify-save. Recursive:
    // saveTokenSet() is public and also runs inside a locked step.
    mutable QRecursiveMutex m_lock;
    std::optional<TokenSet> m_kept;
    std::shared_ptr<PendingText> m_refreshing;
};

} // namespace vesk
