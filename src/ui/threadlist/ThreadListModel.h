#pragma once

#include "model/ThreadSummary.h"
#include "ui/threadlist/ThreadListDiff.h"

#include <QAbstractListModel>
#include <QList>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <optional>

namespace vesk {

class AppState;

/// The rows of the thread list: AppState::visibleThreads(), one row per
/// conversation, in its order.
///
/// Follows the application state by difference, keyed by thread id: a sync
/// that changes three threads changes three rows, so the view keeps its
/// selection and scroll position. It never resets while it holds rows.
/// What changed between long lists is worked out on a thread of its own,
/// the rows shown staying as they are meanwhile; the GUI thread only plays
/// the resulting row operations.
/// Lives on the GUI thread; the state must outlive it.
class ThreadListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        ThreadIdRole = Qt::UserRole + 1,
        ParticipantsRole,
        SubjectRole,
        /// The newest message's snippet as display text (entities decoded).
        SnippetRole,
        /// The newest message's date, a QDateTime in local time.
        DateRole,
        IsUnreadRole,
        MessageCountRole,
        /// Any of its messages has the star.
        IsStarredRole,
        /// In the list of every account: the conversation's account's mark,
        /// a QColor; none otherwise.
        AccountColourRole,
    };
    Q_ENUM(Role)

    explicit ThreadListModel(AppState& state, QObject* parent = nullptr);
    ~ThreadListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    /// Older conversations: a view that reaches the last row asks the state
    /// for the list's next page (see AppState::canLoadMore).
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    /// The conversation of `row`; only valid for 0 <= row < rowCount().
    const ThreadSummary& thread(int row) const { return m_threads.at(row); }
    /// The row of the thread, or -1.
    int rowOf(const QString& threadId) const;
    /// True while the rows are being brought in line with the state (not
    /// while what changed is still being worked out: the rows stand then).
    bool isRefreshing() const { return m_refreshing; }

    /// What a screen reader says for a row: participants, subject, date,
    /// then unread, starred and the count when they apply. The thread must
    /// have messages.
    static QString spokenRow(const ThreadSummary& thread);
    /// Said after a pause: the account in the list of every account, and
    /// the newest message's beginning.
    static QString spokenDetails(const ThreadSummary& thread);

Q_SIGNALS:
    /// The rows match visibleThreads() again, after a change of any kind.
    void refreshed();

private:
    QVariant accountColour(const QString& accountId) const;
    void refresh();
    void diffInBackground(const QList<ThreadSummary>& fresh);
    void dropPending();
    void apply(ThreadListDiff diff);
    /// `becomesFresh`: after this step the rows stand as in `fresh` (what
    /// follows only changes values), so `fresh` itself is taken, not copied.
    void applyStep(const ThreadListDiff::Step& step, const QList<ThreadSummary>& fresh,
                   bool becomesFresh);
    void retire(QList<ThreadSummary> rows);

    AppState& m_state;
    QList<ThreadSummary> m_threads;
    bool m_refreshing = false;
    // The list whose difference is being worked out, and its generation:
    // a result of any other generation was computed against rows that may
    // be gone, and is dropped.
    std::optional<QList<ThreadSummary>> m_pending;
    quint64 m_generation = 0;
    // The generation wanted, for the worker to skip what is stale before it starts.
    std::shared_ptr<std::atomic<quint64>> m_wanted = std::make_shared<std::atomic<quint64>>(0);
    QThreadPool m_pool;
};

} // namespace vesk
