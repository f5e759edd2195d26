#include "Composition.h"

#include "Panes.h"
#include "app/AppState.h"
#include "ui/dialogs/PackageManagerUpdater.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/window/MainWindow.h"

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
                                          std::shared_ptr<SettingsStore> settings)
{
    const Panes panes = buildPanes(state);
    auto updater = std::make_shared<PackageManagerUpdater>();
    auto window = std::make_unique<MainWindow>(
        state, MainWindow::Columns{panes.sidebar, panes.threadList, panes.reader},
        buildWindows(state, std::move(config), updater), std::move(settings));
    updater->setWindow(window.get());
    connectPanes(panes, *window);
    return window;
}

void startSessions(AppState& state)
{
    // Failures land in each session's error line.
    fireAndForget(state.startAll());
}

} // namespace vesk
