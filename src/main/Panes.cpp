#include "Panes.h"

#include "app/AppState.h"
#include "notifications/SystemNotificationPoster.h"
#include "platform/Updater.h"
#include "ui/dialogs/AccountsSheet.h"
#include "ui/dialogs/SettingsWindow.h"
#include "ui/reader/ReaderPane.h"
#include "ui/sidebar/SidebarPane.h"
#include "ui/threadlist/ThreadListPane.h"

namespace vesk {

namespace {

QCoro::Task<> requestPermission(std::shared_ptr<SystemNotificationPoster> poster)
{
    try {
        co_await poster->requestAuthorization();
    } catch (...) {
        // Without a notification service there is nothing to ask; nothing may
        // escape a task nobody awaits.
    }
}

void askNotificationPermission(const std::shared_ptr<NotificationPosting>& poster)
{
    if (auto system = std::dynamic_pointer_cast<SystemNotificationPoster>(poster))
        requestPermission(std::move(system));
}

} // namespace

Panes buildPanes(AppState& state)
{
    Panes panes;
    panes.sidebar = new SidebarPane(state);
    panes.threadList = new ThreadListPane(state);
    panes.reader = new ReaderPane(state);
    return panes;
}

MainWindow::Windows buildWindows(AppState& state, std::shared_ptr<OAuthConfig> config,
                                 std::shared_ptr<Updater> updater,
                                 std::shared_ptr<const Autostart> autostart)
{
    MainWindow::Windows windows;
    windows.accountsSheet = [&state](QWidget* parent) { return new AccountsSheet(state, parent); };
    windows.settingsWindow = [&state, config, autostart](QWidget* parent) {
        auto* window = new SettingsWindow(state, config, autostart, parent);
        QObject::connect(window, &SettingsWindow::notificationPermissionRequested, window,
                         [&state] { askNotificationPermission(state.poster()); });
        return window;
    };
    windows.updater = std::move(updater);
    return windows;
}

void connectPanes(const Panes& panes, MainWindow& window)
{
    if (SidebarPane* sidebar = panes.sidebar)
        QObject::connect(sidebar, &SidebarPane::manageAccountsRequested, &window,
                         &MainWindow::showAccounts);
    if (ThreadListPane* list = panes.threadList) {
        QObject::connect(&window, &MainWindow::searchRequested, list, &ThreadListPane::focusSearch);
        QObject::connect(list, &ThreadListPane::titleChanged, &window,
                         [list, &window] { window.setColumnTitle(list->title()); });
        window.setColumnTitle(list->title());
    }
}

} // namespace vesk
