#include "HeapGrowthAdvisor.h"

#include <QAbstractEventDispatcher>

#include <sys/mman.h>
#include <unistd.h>

namespace vesk {

namespace {

std::uintptr_t heapEnd()
{
    return reinterpret_cast<std::uintptr_t>(::sbrk(0));
}

} // namespace

HeapGrowthAdvisor::HeapGrowthAdvisor(QObject* parent)
    : QObject(parent)
    , m_advisedEnd(heapEnd())
{
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &HeapGrowthAdvisor::adviseGrowth);
}

void HeapGrowthAdvisor::adviseGrowth()
{
#ifdef MADV_HUGEPAGE
    const std::uintptr_t end = heapEnd();
    if (end == m_advisedEnd)
        return;
    // The heap's end is page-aligned; a start left unaligned by a trim is
    // rounded down, which only advises a page already advised.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = m_advisedEnd & ~(page - 1);
    // A heap handed back shrinks; only what grew is new.
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    m_advisedEnd = end;
#endif
}

} // namespace vesk
