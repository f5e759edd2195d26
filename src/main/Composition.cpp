#include "Composition.h"

#include "Panes.h"
#include "app/AppState.h"
#include "platform/Autostart.h"
#include "spelling/SpellingService.h"
#include "ui/dialogs/PackageManagerUpdater.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/tray/TrayPresence.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

#include <memory>

namespace vesk {

void WindowSlot::bringToFront() const
{
    if (!window)
        return;
    window->show();
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

std::unique_ptr<MainWindow> composeWindow(AppState& state, std::shared_ptr<OAuthConfig> config,
                                          std::shared_ptr<SettingsStore> settings,
                                          std::shared_ptr<const Autostart> autostart)
{
    const Panes panes = buildPanes(state);
    auto updater = std::make_shared<PackageManagerUpdater>();
    auto window = std::make_unique<MainWindow>(
        state, MainWindow::Columns{panes.sidebar, panes.threadList, panes.reader},
        buildWindows(state, std::move(config), updater, std::move(autostart)), std::move(settings));
    updater->setWindow(window.get());
    connectPanes(panes, *window);
    return window;
}

void connectTray(TrayPresence& tray, MainWindow& window)
{
    const auto follow = [&window](bool available) {
        window.setKeepsRunningWhenClosed(available);
        // Composer windows may outlive a hidden main window; the last of
        // them closing must not end a program that is meant to go on.
        QApplication::setQuitOnLastWindowClosed(!available);
    };
    follow(tray.isAvailable());
    QObject::connect(&tray, &TrayPresence::availabilityChanged, &window,
                     [&window, follow](bool available) {
                         follow(available);
                         if (!available && window.isHidden())
                             WindowSlot{&window}.bringToFront();
                     });
    QObject::connect(&tray, &TrayPresence::openRequested, &window,
                     [&window] { WindowSlot{&window}.bringToFront(); });
    QObject::connect(&tray, &TrayPresence::composeRequested, &window, &MainWindow::compose);
    QObject::connect(&tray, &TrayPresence::refreshRequested, &window, &MainWindow::refresh);
    QObject::connect(&tray, &TrayPresence::quitRequested, &window, &MainWindow::quit);
    QObject::connect(&window, &MainWindow::closedToBackground, &tray,
                     &TrayPresence::noteClosedToBackground);
    QObject::connect(&window, &MainWindow::quitConfirmed, &tray, [] { QCoreApplication::quit(); });
}

std::shared_ptr<SpellingService> systemSpelling(std::shared_ptr<SettingsStore> settings,
                                                const QString& folder)
{
    return std::make_shared<SpellingService>(SpellDictionaries(), folder, std::move(settings));
}

QString userSettingsFolder()
{
    // The same organisation and application as QSettingsStore's.
    const QSettings settings(QStringLiteral("orvendo"), QStringLiteral("Vesk"));
    return QFileInfo(settings.fileName()).absolutePath();
}

namespace {

/// The language VESK speaks: the first of the desktop's languages, in the
/// order the user ranked them, that is English or Portuguese. Any other
/// ranking leaves the source texts, European Portuguese.
QLocale::Language spokenLanguage(const QStringList& uiLanguages)
{
    for (const QString& name : uiLanguages) {
        const QLocale::Language language = QLocale(name).language();
        if (language == QLocale::English || language == QLocale::Portuguese)
            return language;
    }
    return QLocale::Portuguese;
}

bool installCatalogue(QCoreApplication& application, const QLocale& locale, const QString& name,
                      const QString& folder)
{
    auto translator = std::make_unique<QTranslator>(&application);
    if (!translator->load(locale, name, QStringLiteral("_"), folder))
        return false;
    QCoreApplication::installTranslator(translator.release());
    return true;
}

} // namespace

void installTranslations(QCoreApplication& application)
{
    const QLocale::Language language = spokenLanguage(QLocale().uiLanguages());
    const QString programFolder = QStringLiteral(":/i18n");
    if (language == QLocale::English) {
        // Qt's own texts are English already.
        installCatalogue(application, QLocale(QLocale::English), QStringLiteral("vesk"),
                         programFolder);
        return;
    }
    // Qt's texts (the file dialog's buttons, the line edit's menu) in the
    // program's own variant of Portuguese, whatever variant the desktop
    // named; Qt has European Portuguese only in its older whole catalogue
    // ("qt"), not in "qtbase".
    const QLocale portugal(QLocale::Portuguese, QLocale::Portugal);
    const QString qtFolder = QStringLiteral("/usr/share/qt6/translations");
    if (!installCatalogue(application, portugal, QStringLiteral("qtbase"), qtFolder))
        installCatalogue(application, portugal, QStringLiteral("qt"), qtFolder);
    installCatalogue(application, portugal, QStringLiteral("vesk"), programFolder);
    // A desktop without regional settings for dates (LANG=C, as in many a
    // container or minimal session) would put English month names beside
    // Portuguese texts; real regional settings stay the user's.
    const auto shortDates = [](const QLocale& locale) {
        return locale.dateFormat(QLocale::ShortFormat);
    };
    if (shortDates(QLocale::system()) == shortDates(QLocale::c()))
        QLocale::setDefault(portugal);
}

void startSessions(AppState& state)
{
    // Failures land in each session's error line.
    fireAndForget(state.startAll());
}

} // namespace vesk
