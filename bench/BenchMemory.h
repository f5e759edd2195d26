#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vesk::bench {

/// Resident set of this process in KiB, from /proc/self/status.
long residentKb();
/// The highest resident set since the last resetPeak(), in KiB.
long peakResidentKb();
/// The resident set in KiB by where it lies, largest first: the heap's
/// allocations in use, the rest of the anonymous memory (freed heap not yet
/// returned, thread stacks, the web engine's own allocators), and each
/// mapped file (libraries' code and data).
std::vector<std::pair<std::string, long>> residentParts();
/// Starts a new peak measurement at the current resident set, after handing
/// freed heap memory back to the system so that it does not hide a peak.
void resetPeak();

} // namespace vesk::bench
