// vesk-demo: the real program, composed with the Google stand-in on
// 127.0.0.1 and a throwaway profile instead of Google and the user's own
// settings, keyring and mail. Links the two demo accounts through the
// ordinary OAuth flow and receives new mail every minute.
//
//   vesk-demo [--no-accounts] [--screenshot-script FOLDER]

#include "Brand.h"
#include "Composition.h"
#include "DemoWorld.h"
#include "Icons.h"
#include "MainWindow.h"
#include "ScreenshotScript.h"
#include "app/AppState.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

using namespace vesk;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesk-demo"));
    Brand::apply(app);
    QApplication::setWindowIcon(Icons::applicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("VESK against a local stand-in for Google."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("no-accounts"), QStringLiteral("Link no account.")});
    parser.addOption({QStringLiteral("screenshot-script"),
                      QStringLiteral("Save pictures of the main screens into FOLDER and quit."),
                      QStringLiteral("FOLDER")});
    parser.process(app);
    const bool withAccounts = !parser.isSet(QStringLiteral("no-accounts"));

    DemoWorld world;
    if (!world.isReady()) {
        std::fputs("vesk-demo: the Google stand-in or the temporary profile failed\n", stderr);
        return 1;
    }
    auto slot = std::make_shared<WindowSlot>();
    AppState state(world.services(slot));
    const std::unique_ptr<MainWindow> window =
        composeWindow(state, world.oauthConfig(), world.settings());
    window->setBaseTitle(QStringLiteral("VESK — demonstração"));
    slot->window = window.get();
    window->show();

    if (parser.isSet(QStringLiteral("screenshot-script"))) {
        QDir folder(parser.value(QStringLiteral("screenshot-script")));
        if (!folder.mkpath(QStringLiteral("."))) {
            std::fputs("vesk-demo: cannot create the screenshot folder\n", stderr);
            return 2;
        }
        (new ScreenshotScript(*window, state, folder, world.profileFolder()))->start(withAccounts);
    }
    if (withAccounts)
        world.linkDemoAccounts(&state);
    world.startArrivals();
    return app.exec();
}
