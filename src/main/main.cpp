// The composition root: the one place that builds the program's services,
// one of each, and hands them to what uses them. Nothing else in the program
// reaches for a process-wide instance.

#include "Composition.h"
#include "app/AppServices.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "compose/MailtoAddress.h"
#include "net/QNetworkTransport.h"
#include "net/Reachability.h"
#include "notifications/NotificationRouter.h"
#include "notifications/SystemNotificationPoster.h"
#include "platform/Autostart.h"
#include "platform/DesktopBrowser.h"
#include "platform/DesktopFileManager.h"
#include "platform/DesktopIdentity.h"
#include "platform/HeapGrowthAdvisor.h"
#include "platform/HeapPolicy.h"
#include "platform/Keychain.h"
#include "platform/QSettingsStore.h"
#include "platform/SingleInstance.h"
#include "transfers/TransferManager.h"
#include "ui/dialogs/QtFileDialogs.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/tray/TrayPresence.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QTimer>

#include <cstdio>
#include <optional>

using namespace vesk;

namespace {

/// The production services. Built after the application object and owned
/// by `main`'s frame, so that every one of them ends before it does.
AppServices productionServices(std::shared_ptr<WindowSlot> window)
{
    AppServices services;
    services.settings = std::make_shared<QSettingsStore>();
    services.browser = std::make_shared<DesktopBrowser>();
    services.router = std::make_shared<NotificationRouter>();
    services.dialogs = std::make_shared<QtFileDialogs>([window] { return window->window.data(); });
    services.fileManager = std::make_shared<DesktopFileManager>();
    services.transfers = std::make_shared<TransferManager>(services.dialogs);
    services.sessions.transport = std::make_shared<QNetworkTransport>();
    services.sessions.poster =
        std::make_shared<SystemNotificationPoster>(QDBusConnection::sessionBus(), services.router);
    services.sessions.oauthConfig =
        std::make_shared<OAuthConfig>(services.settings, std::make_shared<Keychain>());
    services.bringToFront = [window] { window->bringToFront(); };
    // The system's word on the network, where it has one (NetworkManager),
    // counts besides what the requests find.
    services.reachability = std::make_shared<Reachability>(true);
    services.spelling = systemSpelling(services.settings, userSettingsFolder());
    return services;
}

/// Raises the window for another start of the program. A Wayland compositor
/// only hands the focus over with the launcher's token, which Qt's Wayland
/// plugin reads from the environment when the window asks to be activated.
void raiseFor(const WindowSlot& slot, const QString& activationToken)
{
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    slot.bringToFront();
}

/// What the command line asks of this start.
struct Arguments
{
    /// The exit code of --help or --version, already answered.
    std::optional<int> answered;
    /// The mailto: addresses to write to, in order.
    QStringList mailto;
    /// Started with the session: into the tray, without the window.
    bool hidden = false;
};

/// What the session starts at login: this program, into the tray.
QString hiddenOption()
{
    return QStringLiteral("hidden");
}

/// --help and --version, answered before the application exists (so with no
/// display and no session bus), and the mailto: addresses the desktop hands
/// over. The program takes no other options: everything else is its settings.
Arguments readArguments(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("vesk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VESK, a desktop mail client for Gmail. Accounts, the OAuth client and "
                       "everything else are set up in the program's own windows."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        hiddenOption(), QStringLiteral("Start in the tray, without the window, where the desktop "
                                       "has a tray (as when started with the session).")));
    parser.addPositionalArgument(QStringLiteral("mailto"),
                                 QStringLiteral("A mailto: address to write a message to."),
                                 QStringLiteral("[mailto:…]"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // Qt's own options (-platform, -style…) are the application's to read.
    parser.parse(arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return {0, {}};
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vesk %s\n", VESK_VERSION);
        return {0, {}};
    }
    // The values of Qt's options come out as positional arguments too.
    Arguments result;
    result.hidden = parser.isSet(hiddenOption());
    for (const QString& argument : parser.positionalArguments()) {
        if (argument.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
            result.mailto.append(argument);
    }
    return result;
}

/// Opens a composer for each address, once the window is up.
void writeTo(AppState& state, const QStringList& uris)
{
    for (const QString& uri : uris) {
        if (uri.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
            state.startMailtoMessage(MailtoAddress::parse(uri));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    keepFreedMemoryForReuse();
    const Arguments arguments = readArguments(argc, argv);
    if (arguments.answered)
        return *arguments.answered;
    QApplication app(argc, argv);
    HeapGrowthAdvisor heapGrowth(&app);
    QApplication::setApplicationName(QStringLiteral("VESK"));
    QApplication::setDesktopFileName(DesktopIdentity::id());

    // Before anything reads the cache or the keyring: a second start only
    // raises the first one's window, handing it the addresses to write to.
    SingleInstance instance(QDBusConnection::sessionBus(), DesktopIdentity::id(),
                            DesktopIdentity::objectPath());
    switch (instance.claim(arguments.mailto)) {
    case SingleInstance::Claim::ActivatedOther:
        return 0;
    case SingleInstance::Claim::OtherUnresponsive:
        std::fputs("vesk: VESK is already running but does not answer\n", stderr);
        return 1;
    case SingleInstance::Claim::Owner:
    case SingleInstance::Claim::Unguarded:
        break;
    }

    installTranslations(app);
    Brand::apply(app);
    QApplication::setWindowIcon(Icons::applicationIcon());

    auto slot = std::make_shared<WindowSlot>();
    AppServices services = productionServices(slot);
    // From here on the other accounts' caches are read beside the largest;
    // those with a first-screen record once the window has painted it.
    const bool anyAccount = AppState::readCachesAhead(services, CacheReadStart::AfterFirstFrame);
    const auto config = services.sessions.oauthConfig;
    const auto settings = services.settings;
    AppState state(std::move(services));

    const auto autostart =
        std::make_shared<const Autostart>(Autostart::userFolder(), DesktopIdentity::id(),
                                          QStringList{QCoreApplication::applicationFilePath(),
                                                      QStringLiteral("--") + hiddenOption()});
    const std::unique_ptr<MainWindow> window = composeWindow(state, config, settings, autostart);
    TrayPresence tray(state, settings, QDBusConnection::sessionBus());
    connectTray(tray, *window);
    // Nearly every conversation needs the web engine. It starts here, while
    // the inbox is grouped on a worker and before the window shows, rather
    // than stalling the first message opened.
    if (anyAccount)
        MessageWebProfile::startEngine();
    slot->window = window.get();
    QObject::connect(&instance, &SingleInstance::activationRequested, window.get(),
                     [slot](const QString& token) { raiseFor(*slot, token); });
    QObject::connect(&instance, &SingleInstance::openRequested, window.get(),
                     [&state](const QStringList& uris) { writeTo(state, uris); });
    // Hidden only where the tray can bring it back.
    if (!arguments.hidden || !tray.isAvailable())
        window->show();
    else
        state.loadCachesNow();
    startSessions(state);
    QTimer::singleShot(0, window.get(), [&state, &arguments] { writeTo(state, arguments.mailto); });
    return app.exec();
}
