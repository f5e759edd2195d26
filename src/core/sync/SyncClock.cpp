#include "SyncClock.h"

#include <QCoroTimer>

namespace vesk {

namespace {

class SteadySyncClock final : public SyncClock
{
public:
    qint64 nowMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    QCoro::Task<> sleepFor(std::chrono::milliseconds duration) override
    {
        co_await QCoro::sleepFor(duration);
    }
};

} // namespace

std::shared_ptr<SyncClock> SyncClock::system()
{
    return std::make_shared<SteadySyncClock>();
}

} // namespace vesk
