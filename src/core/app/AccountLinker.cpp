#include "AccountLinker.h"

#include "auth/OAuthConfig.h"
#include "net/DescribedError.h"

#include <QCoreApplication>
#include <QPointer>

namespace vesk {

AccountLinker::AccountLinker(SessionServices services, std::shared_ptr<BrowserOpening> browser,
                             QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_browser(std::move(browser))
{}

AccountLinker::~AccountLinker() = default;

void AccountLinker::setState(bool linking, const QString& error)
{
    if (m_isLinking == linking && m_error == error)
        return;
    m_isLinking = linking;
    m_error = error;
    Q_EMIT changed();
}

QCoro::Task<std::optional<OAuthService::Authorization>> AccountLinker::authorize()
{
    // A second attempt would take the running one's place, and the first
    // one's ending would then tear down the second's service and receiver.
    if (m_isLinking)
        co_return std::nullopt;
    const std::shared_ptr<OAuthConfig> config = m_services.oauthConfig;
    if (!config->isConfigured()) {
        setState(false, QCoreApplication::translate(
                            "AccountLinker",
                            "Falta configurar o cliente OAuth da Google nas Definições."));
        co_return std::nullopt;
    }
    QPointer<AccountLinker> self(this);
    setState(true, QString());
    m_service =
        std::make_unique<OAuthService>(config, m_services.transport, m_browser,
                                       m_services.oauthEndpoints, m_services.gmailEndpoints);
    try {
        OAuthService::Authorization authorization = co_await m_service->authorize();
        co_return authorization;
    } catch (const std::exception& error) {
        if (self) {
            self->m_service.reset();
            self->setState(false, describeError(error));
        }
    }
    co_return std::nullopt;
}

void AccountLinker::cancel()
{
    if (m_service)
        m_service->cancel();
}

void AccountLinker::finish()
{
    m_service.reset();
    setState(false, QString());
}

} // namespace vesk
