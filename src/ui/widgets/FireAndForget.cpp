#include "ui/widgets/FireAndForget.h"

namespace vesk {

namespace {

QCoro::Task<> guarded(QCoro::Task<> task)
{
    try {
        co_await std::move(task);
    } catch (...) {
        // Deliberately dropped; see the header.
    }
}

} // namespace

void fireAndForget(QCoro::Task<> task)
{
    // The returned task starts at once and keeps running after it is dropped.
    guarded(std::move(task));
}

} // namespace vesk
