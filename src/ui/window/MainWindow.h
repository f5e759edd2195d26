#pragma once

#include <QCoroTask>
#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QDialog;
class QSplitter;
class QStackedWidget;

namespace vesk {

class AppState;
class ComposerSession;
class ComposerWindow;
class MainActions;
class MainToolbar;
class NoticeBar;
class OfflineLine;
class SettingsStore;
class SplitterMemory;
class UndoBar;
class Updater;
class WelcomeView;

/// The main window: the three resizable columns (accounts and labels, the
/// conversations, the reader) or, while no account is linked, the welcome
/// screen; the toolbar and the menus; the accounts and composer sheets and
/// the settings window. The columns and the secondary windows are built by
/// the program's composition and handed in, so the frame depends on none of
/// them. Reads and changes the application state only. GUI thread only.
class MainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    /// The three columns, in order; the window takes them over.
    struct Columns
    {
        QWidget* sidebar = nullptr;
        QWidget* threadList = nullptr;
        QWidget* reader = nullptr;
    };

    /// What the window opens; any may be missing, and the command that would
    /// open it then does nothing.
    struct Windows
    {
        /// Builds the accounts sheet (a dialog) over `parent`.
        std::function<QDialog*(QWidget* parent)> accountsSheet;
        /// Builds the settings window; it is kept and raised when asked again.
        std::function<QWidget*(QWidget* parent)> settingsWindow;
        std::shared_ptr<Updater> updater;
    };

    static constexpr int s_sidebarMinimum = 210;
    static constexpr int s_threadListMinimum = 300;

    /// `settings` keeps the column sizes; may be null.
    MainWindow(AppState& state, Columns columns, Windows windows,
               std::shared_ptr<SettingsStore> settings, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// Before the window first shows, its pixels are made ready.
    void setVisible(bool visible) override;

    const MainActions& actions() const { return *m_actions; }
    MainToolbar* toolbar() const { return m_toolbar; }
    WelcomeView* welcomeView() const { return m_welcome; }
    QSplitter* columns() const { return m_columns; }
    OfflineLine* offlineLine() const { return m_offlineLine; }
    NoticeBar* noticeBar() const { return m_noticeBar; }
    UndoBar* undoBar() const { return m_undoBar; }
    /// Whether the welcome screen is shown instead of the columns.
    bool isWelcomeShown() const;
    /// The windows of the messages being written, oldest first.
    QList<ComposerWindow*> composerWindows() const;
    /// The window opened last; null while none is open.
    ComposerWindow* composerWindow() const;
    QDialog* accountsSheet() const;
    QWidget* settingsWindow() const;

    /// The product name the title starts with ("VESK", or the demo's).
    void setBaseTitle(const QString& title);
    /// The title of the conversation column, shown after the product name.
    void setColumnTitle(const QString& title);

    /// Whether closing the window only hides it, the program going on in the
    /// background (syncing, notifying) until quit() is asked for. Off by
    /// default: closing the window then ends the program.
    void setKeepsRunningWhenClosed(bool keeps) { m_keepsRunningWhenClosed = keeps; }
    bool keepsRunningWhenClosed() const { return m_keepsRunningWhenClosed; }

    /// The settings key of the column sizes.
    static QString columnsKey() { return QStringLiteral("mainWindowColumns"); }

public Q_SLOTS:
    void showAccounts();
    void showSettings();
    void checkForUpdates();
    void compose();
    void refresh();
    /// Ends the program: the composers' drafts are saved and their windows
    /// closed first (a composer that could not save keeps everything open),
    /// then quitConfirmed() tells the program to end.
    void quit();

Q_SIGNALS:
    /// The window was closed while the program keeps running.
    void closedToBackground();
    /// quit() found everything saved and closed; the program may end now.
    void quitConfirmed();
    /// Ctrl+F or "/": the conversation column should focus its search field.
    void searchRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void prepareBackingStore();
    void focusConversations();
    QSplitter* buildColumns(Columns columns);
    QWidget* buildCentre();
    void connectState();
    void followSessions();
    void openComposerWindow(ComposerSession* composer);
    /// Saves every composer's draft, closes their windows, then the window.
    QCoro::Task<> closeAfterSavingDrafts();
    /// close(), or its close event alone while the window is hidden.
    void closeOrAsk();
    void updateTitle();

    AppState& m_state;
    Windows m_windows;
    MainActions* m_actions;
    MainToolbar* m_toolbar;
    QStackedWidget* m_pages;
    WelcomeView* m_welcome;
    QSplitter* m_columns;
    SplitterMemory* m_columnMemory;
    OfflineLine* m_offlineLine = nullptr;
    NoticeBar* m_noticeBar = nullptr;
    UndoBar* m_undoBar = nullptr;
    QList<QPointer<ComposerWindow>> m_composerWindows;
    bool m_savingDraftsToClose = false;
    bool m_keepsRunningWhenClosed = false;
    bool m_quitting = false;
    bool m_painted = false;
    QPointer<QDialog> m_accountsSheet;
    QPointer<QWidget> m_settingsWindow;
    QString m_baseTitle = QStringLiteral("VESK");
    QString m_columnTitle;
};

} // namespace vesk
