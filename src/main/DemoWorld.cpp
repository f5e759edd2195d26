#include "DemoWorld.h"

#include "Composition.h"
#include "DemoBrowser.h"
#include "DemoSeed.h"
#include "FakeGoogle.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "model/PrivateFile.h"
#include "net/QNetworkTransport.h"
#include "notifications/NotificationRouter.h"
#include "notifications/SystemNotificationPoster.h"
#include "platform/DesktopFileManager.h"
#include "platform/MemorySecureStore.h"
#include "platform/QSettingsStore.h"
#include "transfers/TransferManager.h"
#include "ui/dialogs/QtFileDialogs.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace vesk {

using fakegoogle::DemoSeed;

namespace {

QString orDefault(const QString& value, const char* fallback)
{
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

} // namespace

DemoWorld::DemoWorld(Options options)
    : m_base(options.google)
    , m_syncInterval(options.syncInterval)
{
    if (m_base.isEmpty()) {
        m_google = std::make_unique<fakegoogle::FakeGoogle>();
        if (!m_google->start()) {
            m_problem = QStringLiteral("the Google stand-in cannot listen on 127.0.0.1");
            return;
        }
        // Seeded once listening: the newsletter's pictures live at the
        // stand-in's address.
        DemoSeed::apply(*m_google);
        DemoSeed::serveAgendaSlowly(*m_google);
        m_base = m_google->baseUrl();
    } else if (!m_base.isValid() || m_base.isRelative() ||
               (m_base.scheme() != u"http" && m_base.scheme() != u"https") ||
               m_base.host().isEmpty() || m_base.hasQuery() || m_base.hasFragment()) {
        m_problem = QStringLiteral("--google needs an http(s) address such as "
                                   "http://127.0.0.1:8080");
        return;
    }
    if (options.profile.isEmpty()) {
        m_throwaway = std::make_unique<QTemporaryDir>();
        if (!m_throwaway->isValid()) {
            m_problem = QStringLiteral("the temporary profile folder cannot be made");
            return;
        }
        m_profile = m_throwaway->path();
    } else {
        // Private, as the real data folder: the profile keeps mail.
        m_profile = QDir(options.profile).absolutePath();
        if (!QFileInfo(m_profile).isDir() && !PrivateFile::makeFolder(m_profile)) {
            m_problem = QStringLiteral("the profile folder %1 cannot be made").arg(m_profile);
            return;
        }
    }
    m_settings =
        std::make_shared<QSettingsStore>(QDir(m_profile).filePath(QStringLiteral("vesk.ini")));
    m_config = std::make_shared<OAuthConfig>(m_settings, std::make_shared<MemorySecureStore>());
    m_config->setClientId(orDefault(options.clientId, DemoSeed::clientId));
    m_config->setClientSecret(orDefault(options.clientSecret, DemoSeed::clientSecret));
}

DemoWorld::~DemoWorld() = default;

QString DemoWorld::profileFolder() const
{
    return m_profile;
}

std::shared_ptr<SettingsStore> DemoWorld::settings() const
{
    return m_settings;
}

QStringList DemoWorld::consentAccounts()
{
    return {QString::fromLatin1(DemoSeed::firstAccount),
            QString::fromLatin1(DemoSeed::secondAccount)};
}

QUrl DemoWorld::at(const QString& path) const
{
    // Google's own paths under the server's address, which may have a
    // path of its own (a server behind a prefix).
    QUrl url = m_base;
    QString basePath = m_base.path();
    while (basePath.endsWith(u'/'))
        basePath.chop(1);
    url.setPath(basePath + path);
    return url;
}

OAuthEndpoints DemoWorld::oauthEndpoints() const
{
    return OAuthEndpoints{at(QStringLiteral("/o/oauth2/v2/auth")), at(QStringLiteral("/token")),
                          at(QStringLiteral("/revoke"))};
}

GmailEndpoints DemoWorld::gmailEndpoints() const
{
    return GmailEndpoints{at(QStringLiteral("/gmail/v1/users/me")),
                          at(QStringLiteral("/v1/userinfo"))};
}

AppServices DemoWorld::services(std::shared_ptr<WindowSlot> window)
{
    AppServices services;
    services.settings = m_settings;
    auto transport = std::make_shared<QNetworkTransport>();
    m_browser = std::make_shared<DemoBrowser>(transport);
    services.browser = m_browser;
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
    // The system's dictionaries; the words added stay in the profile.
    services.spelling = systemSpelling(m_settings, m_profile);
    services.sessions.oauthEndpoints = oauthEndpoints();
    services.sessions.gmailEndpoints = gmailEndpoints();
    // Everything an account keeps beside its cache lives here too, so a
    // named profile keeps it across runs.
    services.sessions.storeBaseDirectory = QDir(m_profile).filePath(QStringLiteral("cache"));
    services.sessions.syncInterval = m_syncInterval;
    services.bringToFront = [window] { window->bringToFront(); };
    return services;
}

QCoro::Task<> DemoWorld::linkAccounts(QPointer<AppState> state, QStringList accounts)
{
    try {
        for (const QString& account : std::as_const(accounts)) {
            if (!state || !m_browser)
                co_return;
            const qsizetype linkedBefore = state->registry().entries().size();
            m_browser->setLoginHint(account);
            co_await state->linkAccount();
            if (!state)
                co_return;
            if (!state->linkError().isEmpty()) {
                std::fprintf(stderr, "vesk-demo: linking %s failed: %s\n", qPrintable(account),
                             qPrintable(state->linkError()));
                continue;
            }
            // What the server signed in, which is what was linked: a server
            // may ignore a login hint for an account it does not have.
            const QString linked = state->selectedAccountId();
            std::printf("vesk-demo: linked %s\n", qPrintable(linked));
            if (linked.compare(account, Qt::CaseInsensitive) != 0)
                std::fprintf(
                    stderr,
                    "vesk-demo: asked the server for %s, and it signed in %s instead%s; "
                    "name the server's accounts with --account EMAIL\n",
                    qPrintable(account), qPrintable(linked),
                    state->registry().entries().size() == linkedBefore ? " (already linked)" : "");
            std::fflush(stdout);
        }
    } catch (...) {
    }
}

void DemoWorld::startArrivals()
{
    if (!m_google)
        return;
    m_arrivals.setInterval(std::chrono::minutes(1));
    QObject::connect(&m_arrivals, &QTimer::timeout, &m_arrivals, [this] {
        const QStringList accounts = consentAccounts();
        const QString& to = accounts.at(m_arrived % accounts.size());
        m_google->deliverMessage(to, DemoSeed::arrival(++m_arrived, to));
    });
    m_arrivals.start();
}

} // namespace vesk

namespace vesk {

bool DemoWorld::setGoogleReachable(bool reachable)
{
    if (!m_google)
        return false;
    if (!reachable) {
        m_google->stop();
        return true;
    }
    return m_google->start(quint16(m_base.port()));
}

bool DemoWorld::holdNextListing()
{
    if (!m_google)
        return false;
    fakegoogle::DemoSeed::holdNextListing(*m_google, std::chrono::seconds(6));
    return true;
}

} // namespace vesk
