#include "CachePreload.h"

#include "platform/ThreadPriority.h"

#include <QFileInfo>

namespace vesk {

namespace {

/// Well beyond a slow machine's first frame: only a window that never
/// paints (started minimized, say), with nothing wanting the cache, leaves
/// the read to this.
constexpr std::chrono::seconds heldAtMost{10};

/// What a read held for the first frame waits for before it decodes.
struct HeldRead
{
    std::shared_ptr<StartGate> gate;
    /// Held reads decode one at a time once let go: all at once beside the
    /// starting web engine they kept both processors of a small machine
    /// busy, and the window, idle-priority decoders or not, stalled for a
    /// tenth to a quarter of a second at a time.
    std::shared_ptr<std::mutex> turn;
};

std::future<std::optional<MailStore::State>>
decodeOnThread(const QString& email, const std::optional<QString>& base, HeldRead held)
{
    return std::async(std::launch::async, [email, base, held = std::move(held)] {
        std::unique_lock<std::mutex> turn;
        if (held.gate) {
            held.gate->waitOpen(heldAtMost);
            turn = std::unique_lock(*held.turn);
        }
        // Only on a processor nothing else wants: the GUI thread paints the
        // first screens meanwhile, and on a machine with few cores five
        // decoders, even niced, slowed its first frame to the cache's pace.
        runOnlyWhenIdle();
        return MailStore::readCache(email, base);
    });
}

} // namespace

CachePreload::CachePreload(const QStringList& accountEmails, std::optional<QString> baseDirectory,
                           CacheReadStart start)
{
    // Without a record, the largest cache is left to its store, which opens
    // on the GUI thread and would only wait for it otherwise: decoding a
    // large cache on a thread of its own measured a quarter to a third
    // slower, the allocator serving other threads from arenas of their own.
    QString largest;
    qint64 largestSize = -1;
    for (const QString& email : accountEmails) {
        const qint64 size = QFileInfo(MailStore::cacheFilePath(email, baseDirectory)).size();
        if (size > largestSize) {
            largest = email;
            largestSize = size;
        }
    }
    const auto turn = std::make_shared<std::mutex>();
    for (const QString& email : accountEmails) {
        if (m_reads.count(email) != 0)
            continue;
        std::optional<MailStore::State> firstScreen =
            MailStore::readFirstScreen(email, baseDirectory);
        if (email == largest && !firstScreen)
            continue;
        HeldRead held;
        if (firstScreen && start == CacheReadStart::AfterFirstFrame)
            held = HeldRead{std::make_shared<StartGate>(), turn};
        auto decoded = decodeOnThread(email, baseDirectory, held);
        m_reads.emplace(email, MailStore::ReadAhead{std::move(decoded), std::move(firstScreen),
                                                    std::move(held.gate)});
    }
}

CachePreload::~CachePreload()
{
    for (auto& [email, read] : m_reads) {
        if (read.gate)
            read.gate->open();
    }
}

std::optional<MailStore::ReadAhead> CachePreload::take(const QString& accountEmail)
{
    const std::scoped_lock lock(m_mutex);
    const auto it = m_reads.find(accountEmail);
    if (it == m_reads.end())
        return std::nullopt;
    MailStore::ReadAhead read = std::move(it->second);
    m_reads.erase(it);
    return read;
}

} // namespace vesk
