#pragma once

#include <QCoroTask>

#include <chrono>
#include <memory>

namespace vesk {

/// The time the sync engine paces its requests by, and its way of waiting.
/// The program uses a monotonic clock and real timers; tests drive a virtual
/// one so that minutes of quota pass in an instant.
class SyncClock
{
public:
    virtual ~SyncClock() = default;

    /// Milliseconds on a clock that never goes back.
    virtual qint64 nowMs() const = 0;
    /// Resumes on the calling thread once `duration` has passed.
    virtual QCoro::Task<> sleepFor(std::chrono::milliseconds duration) = 0;

    static std::shared_ptr<SyncClock> system();
};

} // namespace vesk
