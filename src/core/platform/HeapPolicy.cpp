#include "HeapPolicy.h"

// Any C library header says which library this is.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vesk {

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // Room for a whole outgoing message of the most Gmail accepts (25 MB of
    // attachments, about 35 MB once encoded). A larger block, such as a big
    // mailbox's cache file read once at start, is still mapped on its own
    // and unmapped when freed: kept in the heap it raised the peak of
    // loading the cache by a quarter.
    constexpr int reusedUpTo = 48 * 1024 * 1024;
    constexpr int keptFreeAtMost = 64 * 1024 * 1024;
    // Fixing the threshold also stops the allocator from moving it on its
    // own, which it only does after the first large block was freed anyway.
    ::mallopt(M_MMAP_THRESHOLD, reusedUpTo);
    ::mallopt(M_TRIM_THRESHOLD, keptFreeAtMost);
    // The heap grows in steps as large as what it keeps free anyway, so
    // that each step can be advised for huge pages while untouched (see
    // HeapGrowthAdvisor). Untouched, a step costs address space, not memory.
    ::mallopt(M_TOP_PAD, keptFreeAtMost);
#endif
}

void returnFreeMemory()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

} // namespace vesk
