#include "ThreadPriority.h"

#include <sched.h>
#include <sys/resource.h>

namespace vesk {

void runBelowInterface()
{
    ::setpriority(PRIO_PROCESS, 0, 10);
}

void runOnlyWhenIdle()
{
    const sched_param idle{};
    if (::sched_setscheduler(0, SCHED_IDLE, &idle) != 0)
        ::setpriority(PRIO_PROCESS, 0, 19);
}

} // namespace vesk
