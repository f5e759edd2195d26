#include "ui/threadlist/ThreadListModel.h"

#include "app/AppState.h"
#include "model/SnippetText.h"
#include "platform/ThreadPriority.h"
#include "sync/AccountSession.h"
#include "ui/style/Brand.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/SpokenText.h"

#include <QDateTime>

#include <utility>

namespace vesk {

namespace {

using Kind = ThreadListDiff::Step::Kind;

/// Above this many rows, in the list shown or the fresh one, what changed is
/// worked out away from the GUI thread: comparing tens of thousands of
/// threads takes longer than a frame.
qsizetype backgroundFrom()
{
    return AppState::backgroundGroupingFrom();
}

bool sameStorage(const QList<ThreadSummary>& a, const QList<ThreadSummary>& b)
{
    return a.size() == b.size() && (a.isEmpty() || a.constData() == b.constData());
}

} // namespace

ThreadListModel::ThreadListModel(AppState& state, QObject* parent)
    : QAbstractListModel(parent)
    , m_state(state)
{
    // Every change that can alter visibleThreads: a session's cache, the
    // selected account or label, the search, the set of accounts.
    connect(&m_state, &AppState::threadsChanged, this, &ThreadListModel::refresh);
    connect(&m_state, &AppState::selectionChanged, this, &ThreadListModel::refresh);
    connect(&m_state, &AppState::searchChanged, this, &ThreadListModel::refresh);
    connect(&m_state, &AppState::sessionsChanged, this, &ThreadListModel::refresh);
    m_threads = ThreadListDiff::between({}, m_state.visibleThreads()).fresh;
    // One worker, below the GUI thread: a newer list makes older work moot.
    m_pool.setMaxThreadCount(1);
}

ThreadListModel::~ThreadListModel()
{
    dropPending();
    m_pool.clear();
    // A difference still running posts its result to this object, which
    // must exist until then; the posted result goes with it.
    m_pool.waitForDone();
}

int ThreadListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_threads.size());
}

QVariant ThreadListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ThreadSummary& thread = m_threads.at(index.row());
    // group() never makes an empty thread, but search results come from elsewhere.
    const bool hasMessages = !thread.messages.isEmpty();
    switch (role) {
    case ThreadIdRole:
        return thread.threadId;
    case Qt::DisplayRole:
    case ParticipantsRole:
        return hasMessages ? thread.participants() : QString();
    case SubjectRole:
        return hasMessages ? thread.subject() : QString();
    case SnippetRole:
        return hasMessages ? snippetDisplayText(thread.latest().snippet()) : QString();
    case DateRole:
        return hasMessages
                   ? QDateTime::fromMSecsSinceEpoch(thread.latest().internalDateMs(), Qt::UTC)
                         .toLocalTime()
                   : QDateTime();
    case IsUnreadRole:
        return hasMessages && thread.isUnread();
    case MessageCountRole:
        return int(thread.messages.size());
    case IsStarredRole:
        return thread.isStarred();
    case AccountColourRole:
        return accountColour(thread.accountId);
    case Qt::ToolTipRole:
        return thread.accountId.isEmpty() ? QVariant() : QVariant(thread.accountId);
    case Qt::AccessibleTextRole:
        return hasMessages ? spokenRow(thread) : QString();
    case Qt::AccessibleDescriptionRole:
        return hasMessages ? spokenDetails(thread) : QString();
    default:
        return {};
    }
}

QString ThreadListModel::spokenRow(const ThreadSummary& thread)
{
    // What the row shows, in its order; the states a glance takes from the
    // dot, the weight and the star are said only when present.
    const QDateTime date =
        QDateTime::fromMSecsSinceEpoch(thread.latest().internalDateMs(), Qt::UTC).toLocalTime();
    const qsizetype count = thread.messages.size();
    return SpokenText::join({
        thread.participants(),
        thread.subject().trimmed().isEmpty() ? tr("sem assunto") : thread.subject(),
        SpokenText::date(date.date(), QDate::currentDate()),
        thread.isUnread() ? tr("não lida") : QString(),
        thread.isStarred() ? tr("com estrela") : QString(),
        count >= 2 ? tr("%n mensagens", nullptr, int(count)) : QString(),
    });
}

QString ThreadListModel::spokenDetails(const ThreadSummary& thread)
{
    // In the list of every account, whose mail it is, as the mark tells.
    return SpokenText::join({
        thread.accountId.isEmpty() ? QString() : tr("conta %1").arg(thread.accountId),
        snippetDisplayText(thread.latest().snippet()),
    });
}

QVariant ThreadListModel::accountColour(const QString& accountId) const
{
    if (accountId.isEmpty())
        return {};
    // The sidebar's order, so the marks match the accounts' own.
    const QList<AccountSession*>& sessions = m_state.sessions();
    for (qsizetype position = 0; position < sessions.size(); ++position) {
        if (sessions.at(position)->id() == accountId)
            return Brand::accountColour(position);
    }
    return {};
}

QHash<int, QByteArray> ThreadListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(ThreadIdRole, "threadId");
    names.insert(ParticipantsRole, "participants");
    names.insert(SubjectRole, "subject");
    names.insert(SnippetRole, "snippet");
    names.insert(DateRole, "date");
    names.insert(IsUnreadRole, "isUnread");
    names.insert(MessageCountRole, "messageCount");
    names.insert(IsStarredRole, "isStarred");
    names.insert(AccountColourRole, "accountColour");
    return names;
}

bool ThreadListModel::canFetchMore(const QModelIndex& parent) const
{
    // Rows still being brought in line may move the end the view sees.
    return !parent.isValid() && !m_pending && m_state.canLoadMore();
}

void ThreadListModel::fetchMore(const QModelIndex& parent)
{
    // The rows follow once the page is in the cache, by the usual difference.
    if (canFetchMore(parent))
        fireAndForget(m_state.loadMore());
}

int ThreadListModel::rowOf(const QString& threadId) const
{
    // No thread has an empty id, and asked with nothing selected it would
    // walk every row, maybe hundreds of thousands, on each refresh.
    if (threadId.isEmpty())
        return -1;
    for (qsizetype row = 0; row < m_threads.size(); ++row) {
        if (m_threads.at(row).threadId == threadId)
            return int(row);
    }
    return -1;
}

void ThreadListModel::refresh()
{
    const QList<ThreadSummary>& fresh = m_state.visibleThreads();
    // The list shown or being worked out again (a selection change, say)
    // is recognised by its storage, in constant time.
    if (sameStorage(fresh, m_threads)) {
        dropPending();
        return;
    }
    if (m_pending && sameStorage(fresh, *m_pending))
        return;
    if (std::max(fresh.size(), m_threads.size()) <= backgroundFrom() || fresh.isEmpty()) {
        dropPending();
        apply(ThreadListDiff::between(m_threads, fresh));
        return;
    }
    diffInBackground(fresh);
}

void ThreadListModel::diffInBackground(const QList<ThreadSummary>& fresh)
{
    const quint64 generation = ++m_generation;
    m_wanted->store(generation);
    m_pending = fresh;
    // The lists are values shared with the worker; the rows change only on
    // this thread, which copies them first if the worker still holds them.
    m_pool.start([this, generation, wanted = m_wanted, shown = m_threads, fresh = fresh]() mutable {
        runBelowInterface();
        if (wanted->load() != generation)
            return;
        ThreadListDiff diff = ThreadListDiff::between(shown, fresh);
        // Let go here, so that the rows are not copied when they change.
        shown = {};
        fresh = {};
        QMetaObject::invokeMethod(
            this,
            [this, generation, diff = std::move(diff)]() mutable {
                if (generation == m_generation)
                    apply(std::move(diff));
            },
            Qt::QueuedConnection);
    });
}

void ThreadListModel::dropPending()
{
    m_pending.reset();
    m_wanted->store(++m_generation);
}

void ThreadListModel::apply(ThreadListDiff diff)
{
    m_pending.reset();
    if (!diff.isEmpty()) {
        m_refreshing = true;
        // After the last step that adds, removes or moves rows, only values
        // change: from there on the rows are the fresh list's.
        qsizetype lastStructural = -1;
        for (qsizetype i = 0; i < diff.steps.size(); ++i) {
            if (diff.steps.at(i).kind != Kind::Change)
                lastStructural = i;
        }
        for (qsizetype i = 0; i < diff.steps.size(); ++i)
            applyStep(diff.steps.at(i), diff.fresh, i == lastStructural);
    }
    // Same content now; share the storage so that the next comparison is quick.
    retire(std::exchange(m_threads, std::move(diff.fresh)));
    if (!diff.isEmpty()) {
        m_refreshing = false;
        Q_EMIT refreshed();
    }
}

void ThreadListModel::applyStep(const ThreadListDiff::Step& step, const QList<ThreadSummary>& fresh,
                                bool becomesFresh)
{
    switch (step.kind) {
    case Kind::Remove:
        beginRemoveRows({}, step.first, step.last);
        if (becomesFresh)
            retire(std::exchange(m_threads, fresh));
        else if (step.first == 0 && step.last == m_threads.size() - 1)
            retire(std::exchange(m_threads, {}));
        else
            m_threads.remove(step.first, step.last - step.first + 1);
        endRemoveRows();
        break;
    case Kind::Move:
        beginMoveRows({}, step.first, step.first, {}, step.last);
        if (becomesFresh)
            retire(std::exchange(m_threads, fresh));
        else
            m_threads.move(step.first, step.last);
        endMoveRows();
        break;
    case Kind::Insert:
        beginInsertRows({}, step.first, step.last);
        if (becomesFresh || (m_threads.isEmpty() && step.last == fresh.size() - 1)) {
            // Shared, not copied row by row: the cached inbox arriving under
            // the first screen is one step of a hundred thousand rows.
            retire(std::exchange(m_threads, fresh));
        } else {
            m_threads.insert(step.first, step.last - step.first + 1, ThreadSummary());
            for (int row = step.first; row <= step.last; ++row)
                m_threads[row] = fresh.at(row);
        }
        endInsertRows();
        break;
    case Kind::Change: {
        // Once the rows are the fresh list, a change is already in them.
        if (!sameStorage(m_threads, fresh))
            m_threads[step.first] = fresh.at(step.first);
        const QModelIndex changed = index(step.first);
        Q_EMIT dataChanged(changed, changed);
        break;
    }
    }
}

/// Rows no longer shown; freeing tens of thousands of threads is left to the
/// worker.
void ThreadListModel::retire(QList<ThreadSummary> rows)
{
    if (rows.size() > backgroundFrom())
        m_pool.start([rows = std::move(rows)] {});
}

} // namespace vesk
