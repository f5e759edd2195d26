#include "CacheWriter.h"

#include "FirstScreen.h"
#include "MailJson.h"
#include "PrivateFile.h"
#include "SystemLabels.h"
#include "platform/ThreadPriority.h"

#include <QFile>

namespace vesk {

CacheWriter::CacheWriter(QString filePath, QString accountEmail, std::chrono::milliseconds delay,
                         Snapshot snapshot)
    : m_filePath(std::move(filePath))
    , m_accountEmail(std::move(accountEmail))
    , m_firstScreenPath(FirstScreen::filePathBeside(m_filePath))
    , m_delay(delay)
    , m_snapshot(std::move(snapshot))
    , m_thread([this] { run(); })
{}

CacheWriter::~CacheWriter()
{
    {
        const std::scoped_lock lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CacheWriter::markChanged()
{
    {
        const std::scoped_lock lock(m_mutex);
        ++m_changes;
    }
    m_wake.notify_all();
}

void CacheWriter::flush()
{
    std::unique_lock lock(m_mutex);
    const quint64 target = m_changes;
    if (m_written >= target)
        return;
    m_hurry = true;
    m_wake.notify_all();
    m_settled.wait(lock, [&] { return m_written >= target; });
}

void CacheWriter::removeFile()
{
    std::unique_lock lock(m_mutex);
    m_written = m_changes;
    m_settled.wait(lock, [&] { return !m_writing; });
    QFile::remove(m_filePath);
    QFile::remove(m_firstScreenPath);
    m_settled.notify_all();
}

int CacheWriter::writeCount() const
{
    const std::scoped_lock lock(m_mutex);
    return m_writeCount;
}

void CacheWriter::run()
{
    runBelowInterface();
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [&] { return m_changes > m_written || m_stopping; });
        if (m_changes == m_written)
            return; // stopping with nothing to write
        // Gather the changes that follow closely; a flush or the end of the
        // store cuts the wait short.
        m_wake.wait_for(lock, m_delay, [&] { return m_hurry || m_stopping; });
        const quint64 covered = m_changes;
        if (covered == m_written)
            continue; // dropped by removeFile() meanwhile
        m_hurry = false;
        m_writing = true;
        lock.unlock();
        // Taken after the wait, so that it holds every change made before
        // `covered` was read.
        const std::optional<MailStoreState> state = m_snapshot();
        const bool wrote = state && writeFile(*state);
        lock.lock();
        m_writing = false;
        if (wrote)
            ++m_writeCount;
        m_written = std::max(m_written, covered);
        m_settled.notify_all();
    }
}

bool CacheWriter::writeFile(const MailStoreState& state) const
{
    if (!PrivateFile::write(m_filePath, MailJson::encodeCache(state)))
        return false;
    // After the cache, never before: a record is at worst older than the
    // cache, and the cache read after it wins. The window opens on the inbox.
    // A record that fails to be written is only a slower start.
    PrivateFile::write(
        m_firstScreenPath,
        FirstScreen::encode(m_accountEmail, FirstScreen::select(state, SystemLabels::inbox())));
    return true;
}

} // namespace vesk
