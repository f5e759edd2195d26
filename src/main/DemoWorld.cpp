#include "DemoWorld.h"

#include "Composition.h"
#include "DemoBrowser.h"
#include "DemoSeed.h"
#include "FakeGoogle.h"
#include "QtFileDialogs.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "net/QNetworkTransport.h"
#include "notifications/NotificationRouter.h"
#include "notifications/SystemNotificationPoster.h"
#include "platform/DesktopFileManager.h"
#include "platform/MemorySecureStore.h"
#include "platform/QSettingsStore.h"
#include "transfers/TransferManager.h"

#include <QDBusConnection>

#include <cstdio>

namespace vesk {

using fakegoogle::DemoSeed;

namespace {

const QStringList& demoAccounts()
{
    static const QStringList s_accounts{QString::fromLatin1(DemoSeed::firstAccount),
                                        QString::fromLatin1(DemoSeed::secondAccount)};
    return s_accounts;
}

} // namespace

DemoWorld::DemoWorld()
    : m_google(std::make_unique<fakegoogle::FakeGoogle>())
{
    if (!m_google->start() || !m_profile.isValid())
        return;
    // Seeded once listening: the newsletter's pictures live at the stand-in's address.
    DemoSeed::apply(*m_google);
    DemoSeed::serveAgendaSlowly(*m_google);
    m_settings = std::make_shared<QSettingsStore>(m_profile.filePath(QStringLiteral("vesk.ini")));
    m_config = std::make_shared<OAuthConfig>(m_settings, std::make_shared<MemorySecureStore>());
    m_config->setClientId(QString::fromLatin1(DemoSeed::clientId));
    m_config->setClientSecret(QString::fromLatin1(DemoSeed::clientSecret));
    m_ready = true;
}

DemoWorld::~DemoWorld() = default;

QString DemoWorld::profileFolder() const
{
    return m_profile.path();
}

std::shared_ptr<SettingsStore> DemoWorld::settings() const
{
    return m_settings;
}

AppServices DemoWorld::services(std::shared_ptr<WindowSlot> window) const
{
    AppServices services;
    services.settings = m_settings;
    auto transport = std::make_shared<QNetworkTransport>();
    services.browser = std::make_shared<DemoBrowser>(transport);
    services.router = std::make_shared<NotificationRouter>();
    // Saving an attachment in the demo writes a real file where the user
    // chooses, and shows it in the real file manager.
    services.dialogs = std::make_shared<QtFileDialogs>([window] { return window->window.data(); });
    services.fileManager = std::make_shared<DesktopFileManager>();
    services.transfers = std::make_shared<TransferManager>(services.dialogs);
    services.sessions.transport = transport;
    services.sessions.poster =
        std::make_shared<SystemNotificationPoster>(QDBusConnection::sessionBus(), services.router);
    services.sessions.oauthConfig = m_config;
    services.sessions.oauthEndpoints =
        OAuthEndpoints{m_google->authUrl(), m_google->tokenUrl(), m_google->revokeUrl()};
    services.sessions.gmailEndpoints =
        GmailEndpoints{m_google->gmailBaseUrl(), m_google->userInfoUrl()};
    services.sessions.storeBaseDirectory = m_profile.filePath(QStringLiteral("cache"));
    services.bringToFront = [window] { window->bringToFront(); };
    return services;
}

QCoro::Task<> DemoWorld::linkDemoAccounts(QPointer<AppState> state)
{
    try {
        for (const QString& account : demoAccounts()) {
            if (!state)
                co_return;
            // The stand-in's consent page signs in whoever it is told to.
            m_google->setConsentAccount(account);
            co_await state->linkAccount();
            if (state && !state->linkError().isEmpty())
                std::fprintf(stderr, "vesk-demo: linking %s failed: %s\n", qPrintable(account),
                             qPrintable(state->linkError()));
        }
    } catch (...) {
    }
}

void DemoWorld::startArrivals()
{
    m_arrivals.setInterval(std::chrono::minutes(1));
    QObject::connect(&m_arrivals, &QTimer::timeout, &m_arrivals, [this] {
        const QString& to = demoAccounts().at(m_arrived % demoAccounts().size());
        m_google->deliverMessage(to, DemoSeed::arrival(++m_arrived));
    });
    m_arrivals.start();
}

} // namespace vesk
