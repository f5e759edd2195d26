#pragma once

#include "FakeGoogle.h"
#include "sync/SyncClock.h"

#include <QCoroTimer>
#include <QDateTime>

#include <algorithm>
#include <atomic>
#include <memory>

namespace vesk::test {

/// A clock that only moves when someone waits on it: a wait returns at once
/// with the time moved on by its length. Minutes of quota pass in an instant,
/// and the stand-in reads the same time (see googleClock()).
class VirtualClock final : public SyncClock
{
public:
    qint64 nowMs() const override { return m_now.load(); }

    QCoro::Task<> sleepFor(std::chrono::milliseconds duration) override
    {
        const qint64 until = m_now.load() + duration.count();
        // Still asynchronous, like a real wait: others run meanwhile.
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        qint64 now = m_now.load();
        while (now < until && !m_now.compare_exchange_weak(now, until)) {
        }
    }

    qint64 elapsedMs() const { return m_now.load() - m_start; }

    /// For FakeGoogle::setClock; the clock must outlive the stand-in's use of it.
    fakegoogle::FakeGoogle::Clock googleClock() const
    {
        return [this] { return QDateTime::fromMSecsSinceEpoch(m_now.load(), Qt::UTC); };
    }

private:
    // Starts at the real time so that mail the test files with real dates
    // and mail the stand-in dates by this clock sort as they should.
    const qint64 m_start = QDateTime::currentMSecsSinceEpoch();
    std::atomic<qint64> m_now{m_start};
};

} // namespace vesk::test
