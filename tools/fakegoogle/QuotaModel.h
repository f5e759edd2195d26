#pragma once

namespace vesk::fakegoogle {

// Which per-user Gmail quota the stand-in enforces. Units are counted under
// every model (Off counts with the current table) so benchmarks can report
// what a client spent even when nothing is refused.
enum class QuotaModel
{
    Off,
    PerMinute2026,   // 6,000 units per user per moving minute; messages.get costs 20
    LegacyPerSecond, // 250 units per user per moving second; messages.get costs 5
    Tight,           // the 2026 costs under a tighter limit set with QuotaMeter::setLimit;
                     // refused as in 2026, without saying when to retry
};

} // namespace vesk::fakegoogle
