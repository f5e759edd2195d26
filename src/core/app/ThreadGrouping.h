#pragma once

#include "model/ThreadSummary.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>

namespace vesk {

class AccountSession;
class MailStore;

/// A label's summaries of one session, or of several merged into one list,
/// grouped into conversations, kept until a session, its revision or the
/// label changes, since the thread list reads them on every change.
///
/// A cache of more than backgroundFrom() summaries is grouped on a worker
/// thread (a hundred thousand take a tenth of a second): until grouped()
/// announces the result, threads() keeps the label's previous threads, or
/// is empty after a switch to another label or session. Lives on the GUI
/// thread.
class ThreadGrouping final : public QObject
{
    Q_OBJECT

public:
    explicit ThreadGrouping(QObject* parent = nullptr);
    ~ThreadGrouping() override;

    static qsizetype backgroundFrom() { return 5000; }

    /// The threads of `labelId` in the sessions' caches; empty without one.
    /// Several sessions' threads are merged newest first, each marked with
    /// its account and with an id of ThreadSummary::mergedId().
    const QList<ThreadSummary>& threads(const QList<const AccountSession*>& sessions,
                                        const QString& labelId);
    /// Forgets what was grouped: a grouping still running for it never lands.
    void reset();
    /// The threads last asked for are being grouped on the worker: threads()
    /// still has the ones before.
    bool isGrouping() const { return m_grouping; }

Q_SIGNALS:
    /// A grouping on the worker ended: threads() has its result.
    void grouped();

private:
    using Stores = QList<std::shared_ptr<MailStore>>;
    static QList<ThreadSummary> group(const Stores& stores, const QString& labelId);
    void groupInBackground(Stores stores, QString labelId);
    /// Lets go of threads no longer wanted, off the GUI thread when many.
    void letGo(QList<ThreadSummary> threads);

    /// Each session with the revision grouped.
    QList<std::pair<const AccountSession*, int>> m_sessions;
    QString m_labelId;
    QList<ThreadSummary> m_threads;
    quint64 m_generation = 0; // of the grouping whose result is wanted
    bool m_grouping = false;
    // Its own thread, so that grouping can run below the GUI thread without
    // slowing other work of the shared pool.
    QThreadPool m_pool;
};

} // namespace vesk
