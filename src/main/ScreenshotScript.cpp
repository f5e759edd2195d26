#include "ScreenshotScript.h"

#include "MailScenes.h"
#include "app/AppState.h"
#include "model/ThreadSummary.h"
#include "sync/AccountSession.h"
#include "ui/window/MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QSplitter>
#include <QTimer>

#include <cstdio>

namespace vesk {

namespace {

// Long enough for a window, a sheet or a menu to be mapped and painted under
// a bare X server; the first sync of the demo mailboxes is waited for apart.
constexpr int s_settle = 900;
constexpr int s_pollInterval = 250;
constexpr int s_inboxAttempts = 120;
// Long enough for the stand-in to answer the thread and the cards to lay out.
constexpr int s_conversationLoad = 1500;

void report(const char* what)
{
    std::fprintf(stderr, "vesk-demo: %s\n", what);
}

} // namespace

ScreenshotScript::ScreenshotScript(MainWindow& window, AppState& state, QDir folder,
                                   QString scratchFolder, std::function<bool(bool)> reachGoogle,
                                   std::function<bool()> holdNextListing)
    : QObject(&window)
    , m_window(window)
    , m_state(state)
    , m_folder(folder)
    , m_scratch(std::move(scratchFolder))
    , m_reachGoogle(std::move(reachGoogle))
    , m_holdNextListing(std::move(holdNextListing))
{}

void ScreenshotScript::after(int ms, Step step)
{
    QTimer::singleShot(ms, this, std::move(step));
}

void ScreenshotScript::start(bool withAccounts)
{
    if (QScreen* screen = m_window.screen())
        m_window.setGeometry(screen->availableGeometry());
    if (!withAccounts) {
        after(s_settle, [this] {
            shoot(QStringLiteral("welcome"));
            finish();
        });
        return;
    }
    after(s_pollInterval, [this] { waitForInbox(s_inboxAttempts); });
}

void ScreenshotScript::waitForInbox(int attemptsLeft)
{
    const AccountSession* session = m_state.selectedSession();
    const bool ready = m_state.sessions().size() >= 2 && session && !session->isSyncing() &&
                       !m_state.visibleThreads().isEmpty();
    if (!ready && attemptsLeft > 0) {
        after(s_pollInterval, [this, attemptsLeft] { waitForInbox(attemptsLeft - 1); });
        return;
    }
    if (!ready)
        report("the demo accounts did not finish their first sync in time");
    after(s_settle, [this] {
        shoot(QStringLiteral("inbox"));
        openContextMenu();
    });
}

void ScreenshotScript::openContextMenu()
{
    QWidget* column = m_window.columns()->widget(1);
    auto* list = column ? column->findChild<QAbstractItemView*>() : nullptr;
    if (!list || !list->model() || list->model()->rowCount(list->rootIndex()) == 0) {
        report("no conversation list to open a context menu on");
        ++m_failures;
        showAccounts();
        return;
    }
    const QModelIndex first = list->model()->index(0, 0, list->rootIndex());
    list->setCurrentIndex(first);
    const QPoint at = list->visualRect(first).center();
    // Scheduled before the event is sent: a menu run by exec() keeps this
    // timer's event loop turning until the script closes it.
    after(s_settle, [this] { openLabelsSubmenu(); });
    after(0, [list, at] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &event);
    });
}

void ScreenshotScript::openLabelsSubmenu()
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QAction* labels = nullptr;
    for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
        // In the language the program speaks, as the menu names it.
        if (action->menu() &&
            action->text() == QCoreApplication::translate("vesk::ThreadActionsMenu", "Etiquetas"))
            labels = action;
    }
    if (!labels) {
        report("the context menu has no \"Etiquetas\" submenu");
        ++m_failures;
        closePopups();
        after(s_settle, [this] { showAccounts(); });
        return;
    }
    menu->setActiveAction(labels);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &right);
    after(s_settle, [this] {
        shoot(QStringLiteral("context-menu"));
        closePopups();
        after(s_settle, [this] { openConversation(); });
    });
}

void ScreenshotScript::openConversation()
{
    const QList<ThreadSummary>& threads = m_state.visibleThreads();
    if (threads.isEmpty()) {
        report("no conversation to open");
        ++m_failures;
        showAccounts();
        return;
    }
    // The newest conversation, as a reader would open it first.
    m_state.selectThread(threads.first());
    after(s_conversationLoad, [this] {
        shoot(QStringLiteral("conversation"));
        showAccounts();
    });
}

void ScreenshotScript::closePopups()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

void ScreenshotScript::showAccounts()
{
    m_window.showAccounts();
    after(s_settle, [this] {
        if (QDialog* sheet = m_window.accountsSheet()) {
            shoot(QStringLiteral("accounts"));
            sheet->close();
        } else {
            report("no accounts sheet to show");
            ++m_failures;
        }
        after(s_settle, [this] { showSettings(); });
    });
}

void ScreenshotScript::showSettings()
{
    m_window.showSettings();
    after(s_settle, [this] {
        if (QWidget* settings = m_window.settingsWindow()) {
            shoot(QStringLiteral("settings"));
            settings->close();
        } else {
            report("no settings window to show");
            ++m_failures;
        }
        after(s_settle, [this] { playMailScenes(); });
    });
}

void ScreenshotScript::playMailScenes()
{
    auto* scenes = new MailScenes(
        m_window, m_state, m_scratch, [this](const QString& name) { return shoot(name); },
        m_reachGoogle, m_holdNextListing);
    connect(scenes, &MailScenes::finished, this, [this](int failures) {
        m_failures += failures;
        finish();
    });
    scenes->start();
}

bool ScreenshotScript::shoot(const QString& name)
{
    QScreen* screen = m_window.screen();
    const QString path = m_folder.filePath(name + QStringLiteral(".png"));
    if (!screen || !screen->grabWindow(0).save(path)) {
        std::fprintf(stderr, "vesk-demo: could not save %s\n", qPrintable(path));
        ++m_failures;
        return false;
    }
    std::fprintf(stdout, "%s\n", qPrintable(path));
    std::fflush(stdout);
    return true;
}

void ScreenshotScript::finish()
{
    closePopups();
    QCoreApplication::exit(m_failures == 0 ? 0 : 3);
}

} // namespace vesk
