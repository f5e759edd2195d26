#include "ThreadGrouping.h"

#include "model/MailStore.h"
#include "platform/ThreadPriority.h"
#include "sync/AccountSession.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace vesk {

ThreadGrouping::ThreadGrouping(QObject* parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

ThreadGrouping::~ThreadGrouping() = default;

void ThreadGrouping::reset()
{
    m_sessions.clear();
    m_labelId.clear();
    letGo(std::exchange(m_threads, {}));
    ++m_generation;
    m_grouping = false;
}

const QList<ThreadSummary>& ThreadGrouping::threads(const QList<const AccountSession*>& sessions,
                                                    const QString& labelId)
{
    QList<std::pair<const AccountSession*, int>> key;
    for (const AccountSession* session : sessions) {
        if (session)
            key.append({session, session->revision()});
    }
    if (m_sessions == key && m_labelId == labelId)
        return m_threads;
    const auto sessionsOf = [](const QList<std::pair<const AccountSession*, int>>& list) {
        QList<const AccountSession*> result;
        for (const auto& entry : list)
            result.append(entry.first);
        return result;
    };
    const bool sameList = sessionsOf(m_sessions) == sessionsOf(key) && m_labelId == labelId;
    m_sessions = key;
    m_labelId = labelId;
    ++m_generation; // a grouping still running is of no use now
    m_grouping = false;
    Stores stores;
    qsizetype total = 0;
    for (const auto& entry : key) {
        stores.append(entry.first->store());
        total += stores.last()->summaryCount();
    }
    if (stores.isEmpty()) {
        letGo(std::exchange(m_threads, {}));
    } else if (total < backgroundFrom()) {
        letGo(std::exchange(m_threads, group(stores, labelId)));
    } else {
        if (!sameList)
            letGo(std::exchange(m_threads, {})); // never another list's threads under this one
        groupInBackground(std::move(stores), labelId);
    }
    return m_threads;
}

QList<ThreadSummary> ThreadGrouping::group(const Stores& stores, const QString& labelId)
{
    if (stores.size() == 1)
        return ThreadSummary::group(stores.constFirst()->summaries(labelId));
    QList<QList<ThreadSummary>> lists;
    for (const std::shared_ptr<MailStore>& store : stores) {
        QList<ThreadSummary> threads = ThreadSummary::group(store->summaries(labelId));
        for (ThreadSummary& thread : threads) {
            thread.accountId = store->accountEmail();
            thread.threadId = ThreadSummary::mergedId(thread.accountId, thread.threadId);
        }
        lists.append(std::move(threads));
    }
    return ThreadSummary::merge(std::move(lists));
}

void ThreadGrouping::letGo(QList<ThreadSummary> threads)
{
    // The last copy of a hundred thousand threads takes tens of milliseconds
    // to free (five accounts' merged, a tenth of a second): the worker does
    // it. A copy the thread list still shows only loses a reference there.
    if (threads.size() > backgroundFrom())
        m_pool.start([threads = std::move(threads)] {});
}

void ThreadGrouping::groupInBackground(Stores stores, QString labelId)
{
    // The watcher, and so the delivery, go with this object.
    auto* watcher = new QFutureWatcher<QList<ThreadSummary>>(this);
    const quint64 generation = m_generation;
    m_grouping = true;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        // Taken out of the future, which would otherwise free it with the
        // watcher, here.
        QList<ThreadSummary> result = watcher->future().takeResult();
        if (m_generation != generation) {
            letGo(std::move(result));
            return;
        }
        letGo(std::exchange(m_threads, std::move(result)));
        m_grouping = false;
        Q_EMIT grouped();
    });
    // The stores are safe to read from any thread, and the summaries are
    // values: nothing of the GUI thread's is touched.
    watcher->setFuture(
        QtConcurrent::run(&m_pool, [stores = std::move(stores), labelId = std::move(labelId)] {
            runBelowInterface();
            return group(stores, labelId);
        }));
}

} // namespace vesk
