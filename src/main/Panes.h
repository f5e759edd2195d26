#pragma once

#include "ui/window/MainWindow.h"

#include <memory>

class QWidget;

namespace vesk {

class AppState;
class Autostart;
class OAuthConfig;
class SidebarPane;
class ThreadListPane;
class Updater;

/// The main window's three columns as the program builds them; the window
/// takes ownership when it is built with them.
struct Panes
{
    SidebarPane* sidebar = nullptr;
    ThreadListPane* threadList = nullptr;
    QWidget* reader = nullptr;
};

/// The columns over `state`.
Panes buildPanes(AppState& state);

/// The sheets and windows the main window opens; the settings offer to
/// start with the session through `autostart` when there is one.
MainWindow::Windows buildWindows(AppState& state, std::shared_ptr<OAuthConfig> config,
                                 std::shared_ptr<Updater> updater,
                                 std::shared_ptr<const Autostart> autostart);

/// What the columns ask of the window and the window of the columns.
void connectPanes(const Panes& panes, MainWindow& window);

} // namespace vesk
