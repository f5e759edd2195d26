#include "Panes.h"

#include "ReaderPlaceholder.h"
#include "ThreadListPane.h"
#include "app/AppState.h"
#include "platform/Updater.h"

namespace vesk {

Panes buildPanes(AppState& state)
{
    Q_UNUSED(state);
    Panes panes;
    // Accounts and labels: the sidebar pane over `state` goes here.
    panes.sidebar = nullptr;
    panes.threadList = new ThreadListPane(state);
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
    // The sidebar's "Gerir contas" opens window.showAccounts().
    if (ThreadListPane* list = panes.threadList) {
        QObject::connect(&window, &MainWindow::searchRequested, list,
                         &ThreadListPane::focusSearch);
        QObject::connect(list, &ThreadListPane::titleChanged, &window,
                         [list, &window] { window.setColumnTitle(list->title()); });
        window.setColumnTitle(list->title());
    }
}

} // namespace vesk
