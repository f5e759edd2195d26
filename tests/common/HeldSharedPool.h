#pragma once

#include <QSemaphore>
#include <QThreadPool>

namespace vesk::test {

/// Takes every thread of Qt's shared pool until it goes, as a long task of
/// anyone's would: work that must not wait behind such a task (the raster
/// engine's fills wait on this pool) shows that it runs elsewhere.
class HeldSharedPool final
{
public:
    HeldSharedPool()
    {
        QThreadPool* pool = QThreadPool::globalInstance();
        m_threads = pool->maxThreadCount();
        for (int i = 0; i < m_threads; ++i) {
            pool->start([this] {
                m_started.release();
                m_release.acquire();
            });
        }
        m_started.acquire(m_threads);
    }
    ~HeldSharedPool()
    {
        m_release.release(m_threads);
        QThreadPool::globalInstance()->waitForDone();
    }
    HeldSharedPool(const HeldSharedPool&) = delete;
    HeldSharedPool& operator=(const HeldSharedPool&) = delete;

private:
    int m_threads = 0;
    QSemaphore m_started;
    QSemaphore m_release;
};

} // namespace vesk::test
