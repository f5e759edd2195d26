#include "ThreadListModel.h"

#include "app/AppState.h"
#include "model/SnippetText.h"

#include <QDateTime>
#include <QSet>

namespace vesk {

namespace {

/// Thread ids are unique in what the core groups; a duplicate from elsewhere
/// would make rows ambiguous, so only its first occurrence is shown.
QList<ThreadSummary> withoutDuplicates(const QList<ThreadSummary>& threads)
{
    QSet<QString> seen;
    seen.reserve(threads.size());
    bool unique = true;
    for (const ThreadSummary& thread : threads) {
        if (seen.contains(thread.threadId)) {
            unique = false;
            break;
        }
        seen.insert(thread.threadId);
    }
    if (unique)
        return threads;
    seen.clear();
    QList<ThreadSummary> result;
    for (const ThreadSummary& thread : threads) {
        if (!seen.contains(thread.threadId)) {
            seen.insert(thread.threadId);
            result.append(thread);
        }
    }
    return result;
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
    m_threads = withoutDuplicates(m_state.visibleThreads());
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
    default:
        return {};
    }
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
    return names;
}

int ThreadListModel::rowOf(const QString& threadId) const
{
    for (qsizetype row = 0; row < m_threads.size(); ++row) {
        if (m_threads.at(row).threadId == threadId)
            return int(row);
    }
    return -1;
}

void ThreadListModel::refresh()
{
    const QList<ThreadSummary> fresh = withoutDuplicates(m_state.visibleThreads());
    // Equal lists that share storage compare in constant time, which is the
    // common case of a selection change.
    if (fresh == m_threads)
        return;
    m_refreshing = true;
    removeMissing(fresh);
    qsizetype insertEnd = 0;
    for (qsizetype row = 0; row < fresh.size(); row = insertEnd)
        placeRow(int(row), fresh, insertEnd);
    // Same content now; share the storage so that the next comparison is quick.
    m_threads = fresh;
    m_refreshing = false;
    Q_EMIT refreshed();
}

void ThreadListModel::removeMissing(const QList<ThreadSummary>& fresh)
{
    QSet<QString> kept;
    kept.reserve(fresh.size());
    for (const ThreadSummary& thread : fresh)
        kept.insert(thread.threadId);
    // From the end, so that the rows still to look at keep their numbers;
    // neighbouring rows go together.
    qsizetype row = m_threads.size() - 1;
    while (row >= 0) {
        if (kept.contains(m_threads.at(row).threadId)) {
            --row;
            continue;
        }
        qsizetype first = row;
        while (first > 0 && !kept.contains(m_threads.at(first - 1).threadId))
            --first;
        beginRemoveRows({}, int(first), int(row));
        m_threads.remove(first, row - first + 1);
        endRemoveRows();
        row = first - 1;
    }
}

/// Makes row `row` hold fresh[row]: it is there already, further down (moved
/// up), or new (inserted, together with the new threads right after it). Rows
/// above `row` already match. Sets `insertEnd` past the rows it inserted.
void ThreadListModel::placeRow(int row, const QList<ThreadSummary>& fresh, qsizetype& insertEnd)
{
    const ThreadSummary& wanted = fresh.at(row);
    insertEnd = row + 1;
    const int current = [&] {
        for (qsizetype r = row; r < m_threads.size(); ++r) {
            if (m_threads.at(r).threadId == wanted.threadId)
                return int(r);
        }
        return -1;
    }();
    if (current < 0) {
        QSet<QString> present;
        for (qsizetype r = row; r < m_threads.size(); ++r)
            present.insert(m_threads.at(r).threadId);
        qsizetype end = row + 1;
        while (end < fresh.size() && !present.contains(fresh.at(end).threadId))
            ++end;
        beginInsertRows({}, row, int(end - 1));
        m_threads.insert(row, end - row, ThreadSummary());
        for (qsizetype r = row; r < end; ++r)
            m_threads[r] = fresh.at(r);
        endInsertRows();
        insertEnd = end;
        return;
    }
    if (current != row) {
        beginMoveRows({}, current, current, {}, row);
        m_threads.move(current, row);
        endMoveRows();
    }
    if (!(m_threads.at(row) == wanted)) {
        m_threads[row] = wanted;
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed);
    }
}

} // namespace vesk
