#include "HeapPolicy.h"

// Any C library header says which library this is.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <algorithm>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

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

namespace {

std::size_t pageSize()
{
    static const auto s_size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return s_size;
}

bool allResident(char* start, std::size_t length)
{
    std::vector<unsigned char> pages((length + pageSize() - 1) / pageSize());
    if (::mincore(start, length, pages.data()) != 0)
        return true; // not ours to fault in
    return std::all_of(pages.cbegin(), pages.cend(), [](unsigned char page) { return page & 1; });
}

} // namespace

std::size_t faultInHeapTop(std::size_t bytes, std::size_t step)
{
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE) &&                                          \
    (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    auto* const end = static_cast<char*>(::sbrk(0));
    const std::size_t top = ::mallinfo2().keepcost;
    if (top >= reinterpret_cast<std::uintptr_t>(end) || step < pageSize())
        return 0;
    // The top's first page holds the allocator's own record of it, and is
    // in memory anyway.
    char* const from = end - top;
    char* const to = from + std::min(bytes, top);
    step -= step % pageSize();
    for (char* at = from - reinterpret_cast<std::uintptr_t>(from) % pageSize(); at < to;
         at += step) {
        const std::size_t length = std::min<std::size_t>(step, to - at);
        if (allResident(at, length))
            continue;
        if (::madvise(at, length, MADV_POPULATE_WRITE) != 0)
            return 0; // a kernel without it, or memory refused: left to the first write
        return static_cast<std::size_t>(to - (at + length));
    }
    return 0;
#else
    (void)bytes;
    (void)step;
    return 0;
#endif
}

} // namespace vesk
