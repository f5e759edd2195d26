#include "Panes.h"

#include "ReaderPlaceholder.h"
#include "app/AppState.h"
#include "platform/Updater.h"

namespace vesk {

Panes buildPanes(AppState& state)
{
    Q_UNUSED(state);
    Panes panes;
    // Accounts and labels: the sidebar pane over `state` goes here.
    panes.sidebar = nullptr;
    // Conversations: the thread list pane over `state` goes here.
    panes.threadList = nullptr;
    // The reader shows its placeholder until it can show a conversation.
    panes.reader = new ReaderPlaceholder;
    return panes;
}

MainWindow::Windows buildWindows(AppState& state, std::shared_ptr<OAuthConfig> config,
                                 std::shared_ptr<Updater> updater)
{
    Q_UNUSED(state);
    Q_UNUSED(config);
    MainWindow::Windows windows;
    // The accounts sheet over `state`: a dialog built with the window as parent.
    windows.accountsSheet = nullptr;
    // The settings window over `state` and `config`.
    windows.settingsWindow = nullptr;
    windows.updater = std::move(updater);
    return windows;
}

void connectPanes(const Panes& panes, MainWindow& window)
{
    Q_UNUSED(panes);
    Q_UNUSED(window);
    // The sidebar's "Gerir contas" opens window.showAccounts(); the window's
    // searchRequested focuses the thread list's search field; the thread
    // list's title becomes window.setColumnTitle().
}

} // namespace vesk
