#include "CachePreload.h"

#include <QFileInfo>

#include <sched.h>
#include <sys/resource.h>

namespace vesk {

namespace {

std::future<std::optional<MailStore::State>> decodeOnThread(const QString& email,
                                                            const std::optional<QString>& base)
{
    return std::async(std::launch::async, [email, base] {
        // Only on a processor nothing else wants: the GUI thread paints the
        // first screens meanwhile, and on a machine with few cores five
        // decoders, even niced, slowed its first frame to the cache's pace.
        // (On Linux the policy and the nice value are per thread.)
        const sched_param idle{};
        if (::sched_setscheduler(0, SCHED_IDLE, &idle) != 0)
            ::setpriority(PRIO_PROCESS, 0, 19);
        return MailStore::readCache(email, base);
    });
}

} // namespace

CachePreload::CachePreload(const QStringList& accountEmails, std::optional<QString> baseDirectory)
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
    for (const QString& email : accountEmails) {
        if (m_reads.count(email) != 0)
            continue;
        std::optional<MailStore::State> firstScreen =
            MailStore::readFirstScreen(email, baseDirectory);
        if (email == largest && !firstScreen)
            continue;
        m_reads.emplace(email, MailStore::ReadAhead{decodeOnThread(email, baseDirectory),
                                                    std::move(firstScreen)});
    }
}

CachePreload::~CachePreload() = default;

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
