#include "TokenVault.h"

#include "OAuthConfig.h"
#include "OAuthError.h"
#include "OAuthService.h"
#include "PendingText.h"
#include "gmail/GmailError.h"
#include "platform/SecureStore.h"

namespace vesk {

namespace {

// A token this close to its end could expire on its way to Google.
constexpr qint64 s_staleMarginSeconds = 60;

} // namespace

TokenVault::TokenVault(QString email, std::shared_ptr<OAuthConfig> config,
                       std::shared_ptr<HTTPTransport> transport, OAuthEndpoints endpoints,
                       WallClock clock, QObject* parent)
    : QObject(parent)
    , m_email(std::move(email))
    , m_config(std::move(config))
    , m_transport(std::move(transport))
    , m_endpoints(std::move(endpoints))
    , m_clock(std::move(clock))
{}

TokenVault::~TokenVault() = default;

std::optional<TokenSet> TokenVault::loadTokenSet() const
{
    const std::optional<QString> text = m_config->keychain().get(tokenService(), m_email);
    if (!text)
        return std::nullopt;
    return TokenSet::fromJson(text->toUtf8());
}

void TokenVault::saveTokenSet(const TokenSet& tokens)
{
    const QMutexLocker lock(&m_lock);
    // Kept only once stored: a failed write must not leave a token in use
    // that the next start would not find.
    if (m_config->keychain().set(QString::fromUtf8(tokens.toJson()), tokenService(), m_email))
        m_kept = tokens;
    else
        m_kept.reset();
}

void TokenVault::deleteTokens()
{
    const QMutexLocker lock(&m_lock);
    m_kept.reset();
    m_config->keychain().remove(tokenService(), m_email);
}

std::optional<TokenSet> TokenVault::loadAndKeepLocked()
{
    m_kept = loadTokenSet();
    return m_kept;
}

bool TokenVault::isFresh(const std::optional<TokenSet>& tokens) const
{
    return tokens && tokens->expiresAt > m_clock().addSecs(s_staleMarginSeconds);
}

QCoro::Task<QString> TokenVault::validAccessToken()
{
    std::shared_ptr<PendingText> flight;
    bool created = false;
    {
        const QMutexLocker lock(&m_lock);
        if (isFresh(m_kept))
            co_return QString(m_kept->accessToken); // a copy: QCoro moves from lvalues
        // Stale or never read: the keychain may hold a newer set.
        const std::optional<TokenSet> tokens = loadAndKeepLocked();
        if (isFresh(tokens))
            co_return tokens->accessToken;
        flight = m_refreshing;
        if (!flight) {
            flight = std::make_shared<PendingText>();
            m_refreshing = flight;
            created = true;
        }
    }
    // The refresh runs on its own, so that it settles every waiter even if
    // the caller that started it stops waiting.
    if (created)
        runRefresh(this, flight);
    co_return co_await PendingText::result(std::move(flight));
}

QCoro::Task<void> TokenVault::invalidateAccessToken()
{
    const QMutexLocker lock(&m_lock);
    // Google refused the token: whatever is kept is no proof of anything.
    if (std::optional<TokenSet> tokens = loadAndKeepLocked()) {
        tokens->expiresAt = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        saveTokenSet(*tokens);
    }
    co_return;
}

QCoro::Task<void> TokenVault::runRefresh(QPointer<TokenVault> vault,
                                         std::shared_ptr<PendingText> flight)
{
    QString token;
    std::exception_ptr error;
    try {
        token = co_await vault->performRefresh();
    } catch (...) {
        error = std::current_exception();
    }
    if (vault) {
        // Cleared before the waiters hear of it, after success and failure
        // alike: the next stale call starts a new refresh.
        const QMutexLocker lock(&vault->m_lock);
        if (vault->m_refreshing == flight)
            vault->m_refreshing.reset();
    }
    if (error)
        flight->reject(error);
    else
        flight->resolve(token);
}

QCoro::Task<QString> TokenVault::performRefresh()
{
    const std::optional<TokenSet> old = loadTokenSet();
    if (!old)
        throw GmailError::unauthorized();
    const FormFields fields = {
        {QStringLiteral("refresh_token"), old->refreshToken},
        {QStringLiteral("client_id"), m_config->clientId()},
        {QStringLiteral("client_secret"), m_config->clientSecret()},
        {QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
    };
    const QPointer<TokenVault> guard(this);
    const TokenSet fresh =
        co_await OAuthService::tokenRequest(fields, m_transport, m_endpoints.token, m_clock);
    if (!guard)
        throw OAuthError::cancelled(); // the account's session is gone
    keepRefreshed(*old, fresh);
    co_return fresh.accessToken;
}

void TokenVault::keepRefreshed(const TokenSet& old, const TokenSet& fresh)
{
    const QMutexLocker lock(&m_lock);
    // Removed while the request ran (the account was unlinked): do not bring
    // its tokens back.
    if (!m_config->keychain().get(tokenService(), m_email))
        return;
    // Google usually sends no new refresh token; the old one stays valid.
    saveTokenSet(TokenSet{fresh.accessToken,
                          fresh.refreshToken.isEmpty() ? old.refreshToken : fresh.refreshToken,
                          fresh.expiresAt, fresh.scope});
}

} // namespace vesk
