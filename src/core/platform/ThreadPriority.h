#pragma once

namespace vesk {

/// Puts the calling thread below the GUI thread (nice 10), for background
/// work the window must not wait behind: on a machine with few cores a
/// worker at the window's own priority takes turns with it, and every turn
/// it takes is a stalled frame. On Linux the nice value is per thread, so
/// this touches no other thread of the process.
void runBelowInterface();

/// Lets the calling thread run only on a processor nothing else wants
/// (`SCHED_IDLE`), or at the lowest nice value where that policy is refused.
/// For work whose result nobody is waiting on yet.
void runOnlyWhenIdle();

} // namespace vesk
