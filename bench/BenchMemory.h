#pragma once

namespace vesk::bench {

/// Resident set of this process in KiB, from /proc/self/status.
long residentKb();
/// The highest resident set since the last resetPeak(), in KiB.
long peakResidentKb();
/// Starts a new peak measurement at the current resident set, after handing
/// freed heap memory back to the system so that it does not hide a peak.
void resetPeak();

} // namespace vesk::bench
