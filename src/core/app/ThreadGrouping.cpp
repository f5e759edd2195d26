#include "ThreadGrouping.h"

#include "model/MailStore.h"
#include "sync/AccountSession.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/resource.h>

namespace vesk {

ThreadGrouping::ThreadGrouping(QObject* parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

ThreadGrouping::~ThreadGrouping() = default;

void ThreadGrouping::reset()
{
    m_session = nullptr;
    m_revision = -1;
    m_labelId.clear();
    m_threads.clear();
    ++m_generation;
    m_grouping = false;
}

const QList<ThreadSummary>& ThreadGrouping::threads(const AccountSession* session,
                                                    const QString& labelId)
{
    const int revision = session ? session->revision() : -1;
    if (m_session == session && m_revision == revision && m_labelId == labelId)
        return m_threads;
    const bool sameList = m_session == session && m_labelId == labelId;
    m_session = session;
    m_revision = revision;
    m_labelId = labelId;
    ++m_generation; // a grouping still running is of no use now
    m_grouping = false;
    const std::shared_ptr<MailStore> store = session ? session->store() : nullptr;
    if (!store) {
        m_threads.clear();
    } else if (store->summaryCount() < backgroundFrom()) {
        m_threads = ThreadSummary::group(store->summaries(labelId));
    } else {
        if (!sameList)
            m_threads.clear(); // never another label's threads under this one
        groupInBackground(store, labelId);
    }
    return m_threads;
}

void ThreadGrouping::groupInBackground(std::shared_ptr<MailStore> store, QString labelId)
{
    // The watcher, and so the delivery, go with this object.
    auto* watcher = new QFutureWatcher<QList<ThreadSummary>>(this);
    const quint64 generation = m_generation;
    m_grouping = true;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (m_generation != generation)
            return;
        m_threads = watcher->result();
        m_grouping = false;
        Q_EMIT grouped();
    });
    // The store is safe to read from any thread, and the summaries are
    // values: nothing of the GUI thread's is touched.
    watcher->setFuture(
        QtConcurrent::run(&m_pool, [store = std::move(store), labelId = std::move(labelId)] {
            // Below the GUI thread, which must keep the processor on a
            // machine with few cores (the nice value is per thread on Linux).
            ::setpriority(PRIO_PROCESS, 0, 10);
            return ThreadSummary::group(store->summaries(labelId));
        }));
}

} // namespace vesk
