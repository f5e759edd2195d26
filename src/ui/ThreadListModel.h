#pragma once

#include "model/ThreadSummary.h"

#include <QAbstractListModel>
#include <QList>

namespace vesk {

class AppState;

/// The rows of the thread list: AppState::visibleThreads(), one row per
/// conversation, in its order.
///
/// Follows the application state by difference, keyed by thread id: a sync
/// that changes three threads changes three rows, so the view keeps its
/// selection and scroll position. It never resets while it holds rows.
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
    };
    Q_ENUM(Role)

    explicit ThreadListModel(AppState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    /// The conversation of `row`; only valid for 0 <= row < rowCount().
    const ThreadSummary& thread(int row) const { return m_threads.at(row); }
    /// The row of the thread, or -1.
    int rowOf(const QString& threadId) const;
    /// True while the rows are being brought in line with the state.
    bool isRefreshing() const { return m_refreshing; }

Q_SIGNALS:
    /// The rows match visibleThreads() again, after a change of any kind.
    void refreshed();

private:
    void refresh();
    void removeMissing(const QList<ThreadSummary>& fresh);
    void placeRow(int row, const QList<ThreadSummary>& fresh, qsizetype& insertEnd);

    AppState& m_state;
    QList<ThreadSummary> m_threads;
    bool m_refreshing = false;
};

} // namespace vesk
