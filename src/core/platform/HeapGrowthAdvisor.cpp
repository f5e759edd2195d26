#include "HeapGrowthAdvisor.h"

#include <QAbstractEventDispatcher>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <unistd.h>

namespace vesk {

namespace {

char* heapEnd()
{
    return static_cast<char*>(::sbrk(0));
}

/// Where the heap's free top begins: the step it grew by last, as far as
/// nothing took it yet.
char* freeTopStart()
{
    char* const end = heapEnd();
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    const std::size_t top = ::mallinfo2().keepcost;
    if (top < reinterpret_cast<std::uintptr_t>(end))
        return end - top;
#endif
    return end;
}

/// The size of one huge page on x86-64 and most other 64-bit machines.
constexpr std::uintptr_t hugePage = 2 * 1024 * 1024;

char* hugePageDown(char* address)
{
    return address - reinterpret_cast<std::uintptr_t>(address) % hugePage;
}

char* hugePageUp(char* address)
{
    return hugePageDown(address + hugePage - 1);
}

/// Whether no page of the huge page at `start` is in memory yet.
bool untouched(char* start)
{
    static const auto s_page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident(hugePage / s_page);
    if (::mincore(start, hugePage, resident.data()) != 0)
        return false;
    return std::none_of(resident.cbegin(), resident.cend(),
                        [](unsigned char page) { return page & 1; });
}

} // namespace

HeapGrowthAdvisor::HeapGrowthAdvisor(QObject* parent)
    : QObject(parent)
    , m_considered(freeTopStart())
{
    // The step the heap took while the program started is mostly ahead of
    // it still.
    adviseGrowth();
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &HeapGrowthAdvisor::adviseGrowth);
}

void HeapGrowthAdvisor::adviseGrowth()
{
#ifdef MADV_HUGEPAGE
    char* const end = heapEnd();
    if (end == m_seenEnd)
        return;
    m_seenEnd = end;
    // A heap handed back shrinks; only what grows again is new.
    char* const to = hugePageDown(end);
    char* const from = std::min(hugePageUp(m_considered), to);
    // Whole huge pages only, and only those nothing has touched: a page
    // fault there then takes a huge page at once. Advised with small pages
    // in it, a range is collapsed later by the kernel's own thread, which
    // copies it holding the address space's lock; every page fault of the
    // window waits meanwhile (26 ms in a row at start-up).
    char* run = nullptr;
    for (char* at = from; at < to; at += hugePage) {
        if (untouched(at)) {
            run = run ? run : at;
            continue;
        }
        adviseRun(run, at);
        run = nullptr;
    }
    adviseRun(run, to);
    m_considered = to;
#endif
}

void HeapGrowthAdvisor::adviseRun(char* start, char* end)
{
#ifdef MADV_HUGEPAGE
    if (start && end > start)
        ::madvise(start, static_cast<std::size_t>(end - start), MADV_HUGEPAGE);
#endif
}

} // namespace vesk
