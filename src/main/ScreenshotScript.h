#pragma once

#include <QDir>
#include <QObject>

#include <functional>

namespace vesk {

class AppState;
class MainWindow;

/// Drives the demo's own window through the screens worth showing and saves
/// each as a PNG of the whole screen, then quits the application: the welcome
/// screen when no account is linked; otherwise the inbox, a conversation's
/// context menu with its labels submenu, the open conversation, the accounts
/// sheet, the settings window and then the MailScenes (HTML mail, attachments,
/// the composer, a misspelt word's menu, completing an address, the transfers panel, offline,
/// loading older conversations). A screen that cannot be reached is reported and skipped. GUI
/// thread only; lives until the application quits.
class ScreenshotScript final : public QObject
{
    Q_OBJECT

public:
    /// Pictures go into `folder`; files the scenes need (attachments, saved
    /// downloads) into `scratchFolder`, a throwaway one.
    /// `reachGoogle` takes the demo's Google off the network and back, for
    /// the pictures of the window without a connection; `holdNextListing`
    /// makes its next list of messages slow, for the list loading more.
    ScreenshotScript(MainWindow& window, AppState& state, QDir folder, QString scratchFolder,
                     std::function<bool(bool)> reachGoogle, std::function<bool()> holdNextListing);

    /// Begins once the window is shown; `withAccounts` says whether the
    /// demo links its accounts (otherwise the welcome screen is the picture).
    void start(bool withAccounts);

private:
    using Step = std::function<void()>;
    void after(int ms, Step step);
    void waitForInbox(int attemptsLeft);
    void openContextMenu();
    void openLabelsSubmenu();
    void openConversation();
    void closePopups();
    void showAccounts();
    void showSettings();
    void playMailScenes();
    void finish();
    bool shoot(const QString& name);

    MainWindow& m_window;
    AppState& m_state;
    QDir m_folder;
    QString m_scratch;
    std::function<bool(bool)> m_reachGoogle;
    std::function<bool()> m_holdNextListing;
    int m_failures = 0;
};

} // namespace vesk
