#include "HeapGrowthAdvisor.h"

#include <QAbstractEventDispatcher>

#include <cstddef>
#include <cstdint>

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

} // namespace

HeapGrowthAdvisor::HeapGrowthAdvisor(QObject* parent)
    : QObject(parent)
    , m_advisedEnd(freeTopStart())
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
    if (end == m_advisedEnd)
        return;
    // The advice starts on a page: rounded down, it takes in at most one
    // page advised already, or the page holding the free top's start.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    char* const start = m_advisedEnd - reinterpret_cast<std::uintptr_t>(m_advisedEnd) % page;
    // A heap handed back shrinks; only what grew is new.
    if (end > start)
        ::madvise(start, static_cast<std::size_t>(end - start), MADV_HUGEPAGE);
    m_advisedEnd = end;
#endif
}

} // namespace vesk
