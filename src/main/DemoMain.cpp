// vesk-demo: the real program, composed with a Google on 127.0.0.1 (its own
// stand-in, or any running server that answers as Google does) and a
// throwaway profile instead of Google and the user's own settings, keyring
// and mail. Links the demo accounts through the ordinary OAuth flow; with
// its own stand-in, new mail arrives every minute.
//
//   vesk-demo [--google URL [--client-id ID] [--client-secret SECRET]]
//             [--accounts N | --no-accounts | --account EMAIL...]
//             [--sync-every SECONDS] [--profile DIR] [--screenshot-script FOLDER]
//             [mailto:…]

#include "Composition.h"
#include "DemoWorld.h"
#include "ScreenshotScript.h"
#include "app/AppState.h"
#include "compose/ComposerSession.h"
#include "compose/MailtoAddress.h"
#include "platform/Autostart.h"
#include "platform/DesktopIdentity.h"
#include "platform/HeapGrowthAdvisor.h"
#include "platform/HeapPolicy.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/tray/TrayPresence.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDir>

#include <cstdio>
#include <optional>

using namespace vesk;

namespace {

struct DemoOptions
{
    DemoWorld::Options world;
    /// The accounts to link, each asked for with a login hint.
    QStringList accounts;
    /// mailto: addresses to write to once the accounts are linked.
    QStringList mailto;
};

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("VESK against a local stand-in for Google, or another server that "
                       "speaks Google's Gmail v1, OAuth 2.0 and userinfo endpoints."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("google"),
         QStringLiteral("Use the Google-compatible server at URL instead of starting the "
                        "built-in stand-in."),
         QStringLiteral("URL")},
        {QStringLiteral("client-id"), QStringLiteral("The OAuth client id registered there."),
         QStringLiteral("ID")},
        {QStringLiteral("client-secret"),
         QStringLiteral("The OAuth client secret registered there."), QStringLiteral("SECRET")},
        {QStringLiteral("accounts"),
         QStringLiteral("Link the first N of the demo accounts (0 to %1; default all).")
             .arg(DemoWorld::consentAccounts().size()),
         QStringLiteral("N")},
        {QStringLiteral("no-accounts"), QStringLiteral("Link no account (as --accounts 0).")},
        {QStringLiteral("account"),
         QStringLiteral("Link the account EMAIL of the server, asking its consent page for it "
                        "with a login hint; repeat for several. For a server other than the "
                        "built-in stand-in, whose accounts are not the demo's."),
         QStringLiteral("EMAIL")},
        {QStringLiteral("sync-every"),
         QStringLiteral("Seconds between two periodic syncs (default 60)."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("profile"),
         QStringLiteral("Keep the demo's settings and mail in DIR (made if missing), to find "
                        "them again in the next run with the same DIR; the secrets stay in "
                        "memory and the accounts are linked again at each start. Without it, "
                        "a temporary folder is used and removed at the end."),
         QStringLiteral("DIR")},
        {QStringLiteral("screenshot-script"),
         QStringLiteral("Save pictures of the main screens into FOLDER and quit."),
         QStringLiteral("FOLDER")},
    });
    parser.addPositionalArgument(
        QStringLiteral("mailto"),
        QStringLiteral("A mailto: address to write a message to, once the accounts are linked."),
        QStringLiteral("[mailto:…]"));
}

/// The options as the demo uses them, or the reason they cannot be.
std::optional<DemoOptions> readOptions(const QCommandLineParser& parser, QString& problem)
{
    DemoOptions options;
    options.world.google = QUrl(parser.value(QStringLiteral("google")), QUrl::StrictMode);
    options.world.clientId = parser.value(QStringLiteral("client-id"));
    options.world.clientSecret = parser.value(QStringLiteral("client-secret"));
    const QStringList demoAccounts = DemoWorld::consentAccounts();
    options.accounts = demoAccounts;
    if (parser.isSet(QStringLiteral("accounts"))) {
        bool ok = false;
        const int count = parser.value(QStringLiteral("accounts")).toInt(&ok);
        if (!ok || count < 0 || count > demoAccounts.size()) {
            problem =
                QStringLiteral("--accounts takes a number from 0 to %1").arg(demoAccounts.size());
            return std::nullopt;
        }
        options.accounts = demoAccounts.mid(0, count);
    }
    if (parser.isSet(QStringLiteral("account"))) {
        if (parser.isSet(QStringLiteral("accounts"))) {
            problem = QStringLiteral("--account and --accounts cannot be used together");
            return std::nullopt;
        }
        options.accounts = parser.values(QStringLiteral("account"));
        for (const QString& email : std::as_const(options.accounts)) {
            if (!email.contains(u'@') || email.contains(u' ')) {
                problem =
                    QStringLiteral("--account takes an e-mail address, not \"%1\"").arg(email);
                return std::nullopt;
            }
        }
    }
    if (parser.isSet(QStringLiteral("profile"))) {
        options.world.profile = parser.value(QStringLiteral("profile"));
        if (options.world.profile.isEmpty()) {
            problem = QStringLiteral("--profile takes a folder");
            return std::nullopt;
        }
    }
    if (parser.isSet(QStringLiteral("no-accounts")))
        options.accounts.clear();
    for (const QString& argument : parser.positionalArguments()) {
        if (!argument.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
            problem = QStringLiteral("\"%1\" is not a mailto: address").arg(argument);
            return std::nullopt;
        }
        options.mailto.append(argument);
    }
    if (parser.isSet(QStringLiteral("sync-every"))) {
        bool ok = false;
        const int seconds = parser.value(QStringLiteral("sync-every")).toInt(&ok);
        if (!ok || seconds < 1 || seconds > 24 * 3600) {
            problem = QStringLiteral("--sync-every takes a number of seconds from 1 to 86400");
            return std::nullopt;
        }
        options.world.syncInterval = std::chrono::seconds(seconds);
    }
    return options;
}

/// Links the accounts, then opens a composer for each address as the real
/// program does, and says whom it writes to from which account.
QCoro::Task<> linkThenWrite(DemoWorld& world, QPointer<AppState> state, QStringList accounts,
                            QStringList mailto)
{
    co_await world.linkAccounts(state, std::move(accounts));
    for (const QString& uri : std::as_const(mailto)) {
        if (!state)
            co_return;
        state->startMailtoMessage(MailtoAddress::parse(uri));
        if (const ComposerSession* composer = state->composer()) {
            std::printf("vesk-demo: writing to %s from %s\n", qPrintable(composer->to()),
                        qPrintable(composer->account().identity.email));
            std::fflush(stdout);
        }
    }
}

int fail(const QString& problem, int code)
{
    std::fprintf(stderr, "vesk-demo: %s\n", qPrintable(problem));
    return code;
}

} // namespace

int main(int argc, char* argv[])
{
    keepFreedMemoryForReuse();
    // The options are read before the application exists, so that --help
    // and --version answer without a display, and a mistake is told before
    // a window or a server starts.
    QCoreApplication::setApplicationName(QStringLiteral("vesk-demo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESK_VERSION));
    QCommandLineParser parser;
    addOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!parser.parse(arguments))
        return fail(parser.errorText(), 2);
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vesk-demo %s\n", VESK_VERSION);
        return 0;
    }
    QString problem;
    const std::optional<DemoOptions> options = readOptions(parser, problem);
    if (!options)
        return fail(problem, 2);

    QApplication app(argc, argv);

    HeapGrowthAdvisor heapGrowth(&app);

    installTranslations(app);
    Brand::apply(app);
    QApplication::setWindowIcon(Icons::applicationIcon());

    DemoWorld world(options->world);
    if (!world.problem().isEmpty())
        return fail(world.problem(), 1);
    auto slot = std::make_shared<WindowSlot>();
    AppState state(world.services(slot));
    // Starting with the session is offered as in the program, but written
    // into the throwaway profile: the demo never touches the real session.
    const auto autostart = std::make_shared<const Autostart>(
        QDir(world.profileFolder()).filePath(QStringLiteral("autostart")), DesktopIdentity::id(),
        QStringList{QCoreApplication::applicationFilePath(), QStringLiteral("--profile"),
                    world.profileFolder()});
    const std::unique_ptr<MainWindow> window =
        composeWindow(state, world.oauthConfig(), world.settings(), autostart);
    TrayPresence tray(state, world.settings(), QDBusConnection::sessionBus());
    connectTray(tray, *window);
    window->setBaseTitle(QCoreApplication::translate("vesk-demo", "VESK — demonstração"));
    // As the real program does: the first conversation opened must not wait
    // for the web engine to start.
    if (!options->accounts.isEmpty())
        MessageWebProfile::startEngine();
    slot->window = window.get();
    window->show();

    if (parser.isSet(QStringLiteral("screenshot-script"))) {
        QDir folder(parser.value(QStringLiteral("screenshot-script")));
        if (!folder.mkpath(QStringLiteral(".")))
            return fail(QStringLiteral("cannot create the screenshot folder"), 2);
        (new ScreenshotScript(
             *window, state, folder, world.profileFolder(),
             [&world](bool reachable) { return world.setGoogleReachable(reachable); },
             [&world] { return world.holdNextListing(); }))
            ->start(!options->accounts.isEmpty());
    }
    linkThenWrite(world, &state, options->accounts, options->mailto);
    world.startArrivals();
    return app.exec();
}
