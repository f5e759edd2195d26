#include "ui/threadlist/ThreadListPane.h"

#include "app/AppState.h"
#include "sync/AccountSession.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/threadlist/ThreadActionsMenu.h"
#include "ui/threadlist/ThreadListModel.h"
#include "ui/threadlist/ThreadListView.h"
#include "ui/threadlist/ThreadRowDelegate.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/StatusNotice.h"
#include "ui/widgets/TextButton.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace vesk {

ThreadListPane::ThreadListPane(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_model(new ThreadListModel(state, this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildSearchBar());
    auto* divider = new QFrame(this);
    divider->setProperty(Brand::separatorProperty, true);
    column->addWidget(divider);
    buildList();
    buildSelection();
    column->addWidget(m_list, 1);
    // Focus given to the column goes to its list, where j, k and Enter act.
    setFocusProxy(m_list);

    connect(&m_state, &AppState::searchChanged, this, &ThreadListPane::onSearchChanged);
    connect(&m_state, &AppState::searchTextChanged, this, [this] {
        if (m_search->text() != m_state.searchText())
            m_search->setText(m_state.searchText());
    });
    connect(&m_state, &AppState::selectionChanged, this,
            &ThreadListPane::onSessionsOrSelectionChanged);
    connect(&m_state, &AppState::sessionsChanged, this,
            &ThreadListPane::onSessionsOrSelectionChanged);
    // Rows that come back (a sync, leaving a search) take the selection again.
    connect(m_model, &ThreadListModel::refreshed, this, &ThreadListPane::showSelectionOfState);
    connect(m_model, &ThreadListModel::refreshed, this, &ThreadListPane::updateEmptyText);
    connect(m_model, &ThreadListModel::refreshed, this, &ThreadListPane::updateFooter);
    connect(&m_state, &AppState::pagingChanged, this, &ThreadListPane::updateFooter);

    m_search->setText(m_state.searchText());
    onSearchChanged();
    onSessionsOrSelectionChanged();
    updateFooter();
}

QWidget* ThreadListPane::buildSearchBar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(8);

    auto* glass = new QLabel(bar);
    glass->setPixmap(Icons::pixmap(Symbol::Search, 15, Brand::secondary(), devicePixelRatioF()));
    row->addWidget(glass);

    m_search = new QLineEdit(bar);
    m_search->setPlaceholderText(tr("Pesquisar no Gmail"));
    m_search->setAccessibleName(tr("Pesquisar no Gmail"));
    m_search->setFrame(false);
    m_search->setClearButtonEnabled(false);
    // Plain: the field lies on the column's own background.
    QPalette plain = m_search->palette();
    plain.setColor(QPalette::Base, Qt::transparent);
    m_search->setPalette(plain);
    connect(m_search, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_state.setSearchText(text); });
    connect(m_search, &QLineEdit::returnPressed, this, [this] {
        m_state.setSearchText(m_search->text());
        fireAndForget(m_state.runSearch());
    });
    row->addWidget(m_search, 1);

    m_clear = new TextButton(tr("Limpar"), Brand::inter(13, QFont::Medium), bar);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_state.setSearchText(QString());
        m_state.clearSearch();
    });
    row->addWidget(m_clear);
    return bar;
}

void ThreadListPane::buildList()
{
    auto* view = new ThreadListView(this);
    m_list = view;
    m_list->setModel(m_model);
    m_list->setItemDelegate(new ThreadRowDelegate(m_list));
    m_list->setAccessibleName(tr("Conversas"));
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ThreadListPane::onCurrentChanged);
    connect(m_list, &QWidget::customContextMenuRequested, this, &ThreadListPane::showContextMenu);

    m_empty = new StatusNotice(m_list->viewport());
    connect(m_empty, &StatusNotice::retryClicked, this,
            [this] { fireAndForget(m_state.runSearch()); });
    auto* centre = new QVBoxLayout(m_list->viewport());
    centre->addWidget(m_empty, 0, Qt::AlignCenter);

    m_footer = new StatusNotice;
    m_footer->hide();
    view->setFooter(m_footer);
    connect(m_footer, &StatusNotice::retryClicked, this,
            [this] { fireAndForget(m_state.loadMore()); });
}

void ThreadListPane::focusSearch()
{
    m_search->setFocus(Qt::ShortcutFocusReason);
    m_search->selectAll();
}

bool ThreadListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        handleListKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == m_list->viewport() && handleStarClick(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool ThreadListPane::handleListKey(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    const QString text = event->text();
    if ((event->key() == Qt::Key_F && modifiers == Qt::ControlModifier) ||
        text == QStringLiteral("/")) {
        focusSearch();
        return true;
    }
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (text == QStringLiteral("j") || text == QStringLiteral("k")) {
        moveBy(text == QStringLiteral("j") ? 1 : -1);
        return true;
    }
    const ThreadSummary* thread = currentThread();
    if (!thread)
        return false;
    // Copies: the actions may change the rows.
    const ThreadSummary current = *thread;
    const QList<ThreadSummary> chosen = chosenThreads();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_state.selectThread(current);
    } else if (text == QStringLiteral("e")) {
        ThreadActionsMenu::archive(m_state, chosen);
    } else if (text == QStringLiteral("#") || event->key() == Qt::Key_Delete) {
        ThreadActionsMenu::trash(m_state, chosen);
    } else if (event->key() == Qt::Key_U && modifiers == Qt::ShiftModifier) {
        ThreadActionsMenu::toggleRead(m_state, chosen);
    } else if (text == QStringLiteral("s")) {
        ThreadActionsMenu::toggleStar(m_state, chosen);
    } else if (text == QStringLiteral("r") || text == QStringLiteral("a") ||
               text == QStringLiteral("f")) {
        answer(current, text.front());
    } else {
        return false;
    }
    return true;
}

void ThreadListPane::answer(const ThreadSummary& thread, QChar how)
{
    // The conversation answered is the one open in the reader, which is
    // the current row's once its messages have arrived.
    if (m_state.selectedThreadId() != thread.threadId)
        m_state.selectThread(thread);
    if (how == u'f')
        fireAndForget(m_state.forward());
    else
        m_state.reply(how == u'a');
}

void ThreadListPane::moveBy(int rows)
{
    const int count = m_model->rowCount();
    if (count == 0)
        return;
    const QModelIndex current = m_list->currentIndex();
    const int row = current.isValid() ? std::clamp(current.row() + rows, 0, count - 1)
                                      : (rows > 0 ? 0 : count - 1);
    m_list->setCurrentIndex(m_model->index(row));
}

const ThreadSummary* ThreadListPane::currentThread() const
{
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? &m_model->thread(current.row()) : nullptr;
}

void ThreadListPane::onCurrentChanged(const QModelIndex& current)
{
    // The view moves the current row itself when rows go; only a move by
    // the user selects a thread. One that also selects rows is theirs.
    if (m_showingState || m_model->isRefreshing() || !current.isValid() ||
        m_list->selectionModel()->hasSelection())
        return;
    const QString threadId = m_model->thread(current.row()).threadId;
    if (threadId == m_state.selectedThreadId())
        return;
    const QList<ThreadSummary>& visible = m_state.visibleThreads();
    const auto found = std::find_if(visible.begin(), visible.end(),
                                    [&](const ThreadSummary& t) { return t.threadId == threadId; });
    if (found != visible.end())
        m_state.selectThread(*found);
}

void ThreadListPane::showSelectionOfState()
{
    const QStringList& wanted = m_state.selectedThreadIds();
    QItemSelection rows;
    for (const QString& threadId : wanted) {
        const int row = m_model->rowOf(threadId);
        if (row >= 0)
            rows.select(m_model->index(row), m_model->index(row));
    }
    // Shown already (the user's own selection, as told): the current row
    // and the anchor of a Shift-extension stay where the user left them.
    const QModelIndex current = m_model->index(m_model->rowOf(m_state.selectedThreadId()));
    const QStringList shown = selectedRowIds();
    if (QSet<QString>(wanted.cbegin(), wanted.cend()) ==
            QSet<QString>(shown.cbegin(), shown.cend()) &&
        (!current.isValid() || current == m_list->currentIndex()))
        return;
    QItemSelectionModel* selection = m_list->selectionModel();
    m_showingState = true;
    selection->select(rows, QItemSelectionModel::ClearAndSelect);
    if (current.isValid())
        selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    m_showingState = false;
}

void ThreadListPane::showContextMenu(const QPoint& position)
{
    const QModelIndex index = m_list->indexAt(position);
    if (!index.isValid())
        return;
    // Inside the selection the menu acts on all of it; elsewhere on that row.
    const QList<ThreadSummary> threads = m_list->selectionModel()->isSelected(index)
                                             ? chosenThreads()
                                             : QList<ThreadSummary>{m_model->thread(index.row())};
    auto* menu = new ThreadActionsMenu(m_state, threads, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(m_list->viewport()->mapToGlobal(position));
}

void ThreadListPane::onSearchChanged()
{
    m_clear->setVisible(m_state.isSearching());
    followShownList();
    updateEmptyText();
    updateTitle();
}

void ThreadListPane::followShownList()
{
    // Another list starts at its top, not where the last one was scrolled to.
    const QString shown = m_state.isSearching()
                              ? QStringLiteral("search")
                              : m_state.selectedAccountId() + u'\n' + m_state.selectedLabelId();
    if (shown == m_shownList)
        return;
    m_shownList = shown;
    m_list->scrollToTop();
}

void ThreadListPane::onSessionsOrSelectionChanged()
{
    disconnect(m_labelsConnection);
    if (AccountSession* session = m_state.selectedSession())
        m_labelsConnection =
            connect(session, &AccountSession::labelsChanged, this, &ThreadListPane::updateTitle);
    followShownList();
    showSelectionOfState();
    updateEmptyText();
    updateTitle();
}

void ThreadListPane::updateEmptyText()
{
    if (!m_state.isSearching())
        m_empty->showText(tr("Sem conversas aqui."));
    else if (m_state.isSearchRunning())
        m_empty->showBusy(tr("A pesquisar…"));
    else if (const std::optional<SessionError>& error = m_state.searchError())
        m_empty->showError(ErrorText::forRequest(*error), ErrorText::tooltip(error->details));
    else
        m_empty->showText(tr("Sem resultados."));
    m_empty->setVisible(m_model->rowCount() == 0);
}

void ThreadListPane::updateFooter()
{
    const std::optional<SessionError> error = m_state.loadMoreError();
    if (m_state.isLoadingMore())
        m_footer->showBusy(tr("A carregar mais conversas…"));
    else if (error)
        m_footer->showError(ErrorText::forRequest(*error), ErrorText::tooltip(error->details));
    else if (m_state.isListComplete())
        m_footer->showText(tr("Não há mais conversas."));
    // Under an empty list the notice in its middle says it all.
    const bool says = m_state.isLoadingMore() || error || m_state.isListComplete();
    m_footer->setVisible(says && m_model->rowCount() > 0);
}

void ThreadListPane::updateTitle()
{
    const QString title = m_state.isSearching()       ? tr("Pesquisa")
                          : m_state.selectedSession() ? m_state.listTitle()
                                                      : QString();
    if (title != m_title) {
        m_title = title;
        Q_EMIT titleChanged();
    }
}

void ThreadListPane::buildSelection()
{
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ThreadListPane::onRowsSelected);
    connect(m_model, &ThreadListModel::refreshed, this, &ThreadListPane::dropGoneFromSelection);
    m_list->viewport()->installEventFilter(this);
}

QStringList ThreadListPane::selectedRowIds() const
{
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList ids;
    ids.reserve(rows.size());
    for (const QModelIndex& row : std::as_const(rows))
        ids.append(m_model->thread(row.row()).threadId);
    return ids;
}

QList<ThreadSummary> ThreadListPane::chosenThreads() const
{
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty() && m_list->currentIndex().isValid())
        rows.append(m_list->currentIndex());
    std::sort(rows.begin(), rows.end());
    QList<ThreadSummary> threads;
    threads.reserve(rows.size());
    for (const QModelIndex& row : std::as_const(rows))
        threads.append(m_model->thread(row.row()));
    return threads;
}

void ThreadListPane::onRowsSelected()
{
    // Rows that go take their selection with them; that is no choice of the user's.
    if (m_showingState || m_model->isRefreshing())
        return;
    const QStringList ids = selectedRowIds();
    if (ids != m_state.selectedThreadIds())
        m_state.selectThreads(ids);
}

void ThreadListPane::dropGoneFromSelection()
{
    // One conversation open is the reader's to close; several chosen (or
    // what is left of them) only shrink: an action on them, landing account
    // by account, must not open the last one standing.
    const QStringList& selected = m_state.selectedThreadIds();
    if (selected.isEmpty() || !m_state.selectedThreadId().isEmpty())
        return;
    QStringList kept;
    for (const QString& threadId : selected) {
        if (m_model->rowOf(threadId) >= 0)
            kept.append(threadId);
    }
    if (kept.size() != selected.size())
        m_state.keepSelected(kept);
}

bool ThreadListPane::handleStarClick(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint position = mouse->position().toPoint();
    const QModelIndex index = m_list->indexAt(position);
    if (mouse->button() != Qt::LeftButton || !index.isValid() ||
        !ThreadRowDelegate::starArea(m_list->visualRect(index)).contains(position))
        return false;
    // Toggled on the press; the release and a second click of a double
    // click are the star's as well, so the row is never selected by it.
    if (type != QEvent::MouseButtonRelease)
        ThreadActionsMenu::toggleStar(m_state, {m_model->thread(index.row())});
    return true;
}

} // namespace vesk
