#include "ui/window/MainWindow.h"

#include "app/AppState.h"
#include "app/UndoOffer.h"
#include "compose/ComposerSession.h"
#include "platform/Updater.h"
#include "sync/AccountSession.h"
#include "ui/composer/ComposerWindow.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/welcome/WelcomeView.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/window/MainActions.h"
#include "ui/window/MainToolbar.h"
#include "ui/window/NoticeBar.h"
#include "ui/window/OfflineLine.h"
#include "ui/window/SplitterMemory.h"
#include "ui/window/UndoBar.h"

#include <QAction>
#include <QBackingStore>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vesk {

namespace {

// The columns' ideal widths; the reader takes the rest.
constexpr int s_sidebarIdeal = 240;
constexpr int s_threadListIdeal = 360;

QWidget* orEmpty(QWidget* column)
{
    return column ? column : new QWidget;
}

/// Refreshes the selected account, then the badge. Started and forgotten:
/// a failed sync ends up in the session's error line, not here.
QCoro::Task<> refreshSelected(QPointer<AppState> state)
{
    try {
        if (QPointer<AccountSession> session = state ? state->selectedSession() : nullptr)
            co_await session->syncNow();
        if (state)
            state->updateBadge();
    } catch (...) {
    }
}

} // namespace

MainWindow::MainWindow(AppState& state, Columns columns, Windows windows,
                       std::shared_ptr<SettingsStore> settings, QWidget* parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_windows(std::move(windows))
    , m_actions(new MainActions(this))
    , m_toolbar(new MainToolbar(*m_actions, state.transfers().get(), state.fileManager(), this))
    , m_pages(new QStackedWidget(this))
    , m_welcome(new WelcomeView(m_pages))
    , m_columns(buildColumns(columns))
    , m_columnMemory(new SplitterMemory(m_columns, std::move(settings), columnsKey()))
{
    setMinimumSize(980, 600);
    resize(1280, 800);
    setWindowIcon(Icons::applicationIcon());
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    m_actions->fillMenuBar(menuBar());
    m_pages->addWidget(m_welcome);
    m_pages->addWidget(m_columns);
    setCentralWidget(buildCentre());
    if (!m_columnMemory->restored())
        m_columns->setSizes({s_sidebarIdeal, s_threadListIdeal, width()});
    connectState();
    followSessions();
    updateTitle();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildCentre()
{
    // The foot lines belong to the whole window, under whichever page shows.
    auto* centre = new QWidget(this);
    m_offlineLine = new OfflineLine(m_state, centre);
    m_noticeBar = new NoticeBar(m_state.notices(), centre);
    m_undoBar = new UndoBar(m_state.undoOffer(), centre);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pages, 1);
    layout->addWidget(m_undoBar);
    layout->addWidget(m_offlineLine);
    layout->addWidget(m_noticeBar);
    return centre;
}

QSplitter* MainWindow::buildColumns(Columns columns)
{
    auto* splitter = new QSplitter(Qt::Horizontal, m_pages);
    splitter->setObjectName(QStringLiteral("mainColumns"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);
    // A hairline between the columns, the same as the brand's separators.
    const QColor line = Brand::withOpacity(Brand::foreground, 0.1);
    splitter->setStyleSheet(
        QStringLiteral("QSplitter::handle { background: %1; }").arg(Brand::css(line)));
    QWidget* sidebar = orEmpty(columns.sidebar);
    QWidget* threadList = orEmpty(columns.threadList);
    sidebar->setMinimumWidth(s_sidebarMinimum);
    threadList->setMinimumWidth(s_threadListMinimum);
    splitter->addWidget(sidebar);
    splitter->addWidget(threadList);
    splitter->addWidget(orEmpty(columns.reader));
    // A wider window widens the reader; the lists keep the width they were given.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 0);
    splitter->setStretchFactor(2, 1);
    return splitter;
}

void MainWindow::connectState()
{
    connect(m_actions->compose(), &QAction::triggered, this, &MainWindow::compose);
    connect(m_actions->refresh(), &QAction::triggered, this, &MainWindow::refresh);
    connect(m_actions->search(), &QAction::triggered, this, &MainWindow::searchRequested);
    connect(m_actions->accounts(), &QAction::triggered, this, &MainWindow::showAccounts);
    connect(m_actions->settings(), &QAction::triggered, this, &MainWindow::showSettings);
    connect(m_actions->checkForUpdates(), &QAction::triggered, this, &MainWindow::checkForUpdates);
    connect(m_actions->quit(), &QAction::triggered, this, &MainWindow::quit);
    connect(m_actions->undo(), &QAction::triggered, this,
            [this] { fireAndForget(m_state.undo()); });
    connect(m_undoBar, &UndoBar::undoRequested, m_actions->undo(), &QAction::trigger);
    connect(&m_state.undoOffer(), &UndoOffer::changed, this,
            [this] { m_actions->undo()->setEnabled(!m_state.undoOffer().text().isEmpty()); });

    connect(m_welcome, &WelcomeView::linkAccountRequested, this, &MainWindow::showAccounts);
    connect(m_welcome, &WelcomeView::settingsRequested, this, &MainWindow::showSettings);
    connect(&m_state, &AppState::sessionsChanged, this, &MainWindow::followSessions);
    connect(&m_state, &AppState::selectionChanged, this, &MainWindow::followSessions);
    connect(&m_state, &AppState::composerOpened, this, &MainWindow::openComposerWindow);
    connect(&m_state, &AppState::composerRaised, this, [this](ComposerSession* composer) {
        for (ComposerWindow* window : composerWindows()) {
            if (window->composer() == composer) {
                window->raise();
                window->activateWindow();
            }
        }
    });
    connect(&m_state, &AppState::oauthConfiguredChanged, this,
            [this] { m_welcome->setOAuthConfigured(m_state.oauthConfigured()); });
    connect(&m_state, &AppState::linkingChanged, this,
            [this] { m_welcome->setLinkError(m_state.linkError()); });
    m_welcome->setOAuthConfigured(m_state.oauthConfigured());
    m_welcome->setLinkError(m_state.linkError());
}

QList<ComposerWindow*> MainWindow::composerWindows() const
{
    QList<ComposerWindow*> open;
    for (const QPointer<ComposerWindow>& window : m_composerWindows) {
        if (window)
            open.append(window.data());
    }
    return open;
}

ComposerWindow* MainWindow::composerWindow() const
{
    const QList<ComposerWindow*> open = composerWindows();
    return open.isEmpty() ? nullptr : open.constLast();
}

QDialog* MainWindow::accountsSheet() const
{
    return m_accountsSheet;
}

QWidget* MainWindow::settingsWindow() const
{
    return m_settingsWindow;
}

bool MainWindow::isWelcomeShown() const
{
    return m_pages->currentWidget() == m_welcome;
}

void MainWindow::followSessions()
{
    QWidget* page = m_state.sessions().isEmpty() ? static_cast<QWidget*>(m_welcome) : m_columns;
    if (m_pages->currentWidget() != page) {
        m_pages->setCurrentWidget(page);
        focusConversations();
    }
    m_actions->setAccountCommandsEnabled(m_state.selectedSession() != nullptr);
    updateTitle();
}

void MainWindow::compose()
{
    if (m_state.selectedSession())
        m_state.startNewMessage();
}

void MainWindow::refresh()
{
    if (m_state.selectedSession())
        refreshSelected(&m_state);
}

void MainWindow::openComposerWindow(ComposerSession* composer)
{
    auto* window = new ComposerWindow(*composer, this, m_state.spelling());
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_composerWindows.removeAll(nullptr);
    m_composerWindows.append(window);
    const QPointer<ComposerSession> written(composer);
    connect(window, &ComposerWindow::finished, this, [this, written] {
        if (written)
            m_state.closeComposer(written);
    });
    // The composer gone by another way (its account removed, say): its
    // window has nothing left to show.
    connect(composer, &QObject::destroyed, window, &QWidget::close);
    // Over the reading side of the main window, each one a step lower than
    // the last, so that none hides another whole.
    const int step = 28 * int(composerWindows().size() - 1);
    const QRect frame = geometry();
    window->move(std::max(frame.left(), frame.right() - window->width() - 40 - step),
                 frame.top() + 48 + step);
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::showAccounts()
{
    if (m_accountsSheet) {
        m_accountsSheet->raise();
        m_accountsSheet->activateWindow();
        return;
    }
    if (!m_windows.accountsSheet)
        return;
    m_accountsSheet = m_windows.accountsSheet(this);
    if (!m_accountsSheet)
        return;
    m_accountsSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_accountsSheet->setWindowModality(Qt::WindowModal);
    m_accountsSheet->open();
}

void MainWindow::showSettings()
{
    if (!m_settingsWindow && m_windows.settingsWindow) {
        m_settingsWindow = m_windows.settingsWindow(this);
        // Its own window, not a child drawn inside this one.
        if (m_settingsWindow) {
            m_settingsWindow->setWindowFlag(Qt::Window);
            // Opens over the main window, whatever the window manager does.
            m_settingsWindow->move(geometry().center() - m_settingsWindow->rect().center());
        }
    }
    if (!m_settingsWindow)
        return;
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void MainWindow::checkForUpdates()
{
    if (m_windows.updater)
        m_windows.updater->checkForUpdates();
}

void MainWindow::setBaseTitle(const QString& title)
{
    m_baseTitle = title;
    updateTitle();
}

void MainWindow::setColumnTitle(const QString& title)
{
    m_columnTitle = title;
    updateTitle();
}

void MainWindow::updateTitle()
{
    setWindowTitle(m_columnTitle.isEmpty() || isWelcomeShown()
                       ? m_baseTitle
                       : m_columnTitle + QStringLiteral(" — ") + m_baseTitle);
}

void MainWindow::quit()
{
    m_quitting = true;
    closeOrAsk();
}

void MainWindow::closeOrAsk()
{
    // A window closed into the background has let go of its native window,
    // and Qt closes such a window without asking it: it is asked here. Posted,
    // so that the composer windows just closed are gone when it is asked.
    if (isHidden()) {
        QCoreApplication::postEvent(this, new QCloseEvent);
        return;
    }
    close();
}

void MainWindow::setVisible(bool visible)
{
    if (visible && !isVisible() && !m_painted) {
        prepareBackingStore();
        focusConversations();
    }
    QMainWindow::setVisible(visible);
}

void MainWindow::focusConversations()
{
    // The keyboard starts on the conversations, where j, k and Enter read
    // them, rather than on the toolbar's first button.
    if (m_pages->currentWidget() == m_columns && m_columns->count() > 1)
        m_columns->widget(1)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::prepareBackingStore()
{
    // The first frame paints the whole window into memory the program has
    // never touched, and draws every glyph, icon and row for the first time.
    // On a virtual machine each fresh page costs microseconds, and the two
    // together held the window up past a frame's time as it appeared. Done
    // now, before the window maps, where nothing waits on it: the first frame
    // then paints from warm caches into memory ready for it. Never flushed,
    // so nothing is shown that a real frame did not paint.
    if (!testAttribute(Qt::WA_WState_Created))
        create();
    QBackingStore* store = backingStore();
    if (!store || size().isEmpty())
        return;
    const QRect all(QPoint(), size());
    store->resize(all.size());
    store->beginPaint(all);
    if (QPaintDevice* device = store->paintDevice()) {
        QPainter painter(device);
        painter.fillRect(all, palette().window());
        render(&painter, QPoint(), QRegion(all), DrawChildren);
    }
    store->endPaint();
}

void MainWindow::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    // Painted ahead, before it shows, is not a frame.
    if (m_painted || !isVisible())
        return;
    m_painted = true;
    // The caches held back for this frame load once it is on screen: their
    // decoding would otherwise share the processor with painting it.
    QTimer::singleShot(0, this, [this] { m_state.loadCachesNow(); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Into the background: the composers stay open with what is being
    // written, and everything else goes on as with the window shown.
    if (m_keepsRunningWhenClosed && !m_quitting) {
        m_columnMemory->save();
        if (m_settingsWindow)
            m_settingsWindow->close();
        QMainWindow::closeEvent(event);
        Q_EMIT closedToBackground();
        return;
    }
    // Drafts first: the windows of unsent messages close only once what
    // was written in them is safe at Gmail (or in the outbox).
    if (!composerWindows().isEmpty()) {
        event->ignore();
        if (!m_savingDraftsToClose)
            fireAndForget(closeAfterSavingDrafts());
        return;
    }
    m_columnMemory->save();
    if (m_settingsWindow)
        m_settingsWindow->close();
    QMainWindow::closeEvent(event);
    if (m_quitting)
        Q_EMIT quitConfirmed();
}

QCoro::Task<> MainWindow::closeAfterSavingDrafts()
{
    m_savingDraftsToClose = true;
    QPointer<MainWindow> self(this);
    co_await m_state.saveComposers();
    if (!self)
        co_return;
    m_savingDraftsToClose = false;
    bool kept = false;
    for (ComposerWindow* window : composerWindows()) {
        ComposerSession* composer = window->composer();
        // Unsaved (no network, or a conflict to settle): it stays, with its
        // reason, and so does the program.
        if (composer && (composer->hasUnsavedEdits() || composer->hasConflict())) {
            kept = true;
            window->show();
            window->raise();
            continue;
        }
        window->close();
        if (composer)
            m_state.closeComposer(composer);
    }
    if (kept) {
        // Not quitting after all: a later close goes where closing goes.
        m_quitting = false;
        co_return;
    }
    closeOrAsk();
}

} // namespace vesk
