#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace vesk {

class AppState;
class Autostart;
class MainWindow;
class OAuthConfig;
class SettingsStore;
class SpellingService;
class TrayPresence;

/// Where the main window will be once it exists, for the services built
/// before it that must reach it (a notification click raises it).
struct WindowSlot
{
    QPointer<QWidget> window;
    void bringToFront() const;
};

/// The main window over `state` with its panes and secondary windows, the
/// same for the program and the demo. The settings window offers to start
/// with the session through `autostart`, when given.
std::unique_ptr<MainWindow> composeWindow(AppState& state, std::shared_ptr<OAuthConfig> config,
                                          std::shared_ptr<SettingsStore> settings,
                                          std::shared_ptr<const Autostart> autostart = nullptr);

/// Lets the program live on in the tray while `tray` has one: closing the
/// window then only hides it, and the program ends through "Sair" (in the
/// tray's menu or the window's). Where the desktop has no tray, or loses
/// it, closing the window ends the program as it always did; a hidden
/// window comes back rather than leave the program out of reach.
void connectTray(TrayPresence& tray, MainWindow& window);

/// Spelling with the system's dictionaries, the language remembered in
/// `settings` and the user's own words in `folder`.
std::shared_ptr<SpellingService> systemSpelling(std::shared_ptr<SettingsStore> settings,
                                                const QString& folder);

/// The folder of the user's settings file, where their own words live too.
QString userSettingsFolder();

/// Loads the program's and Qt's texts into `application`, which keeps them
/// for as long as it runs: English when the desktop's languages
/// (QLocale::uiLanguages) rank English before Portuguese, European
/// Portuguese, the source texts, otherwise. Dates and numbers follow the
/// desktop's regional settings, or Portugal's where it has none.
void installTranslations(QCoreApplication& application);

/// The window's start-up task: starts the accounts one after another and
/// sets the badge. Started once the window is shown, and forgotten.
void startSessions(AppState& state);

} // namespace vesk
