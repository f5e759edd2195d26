#pragma once

#include "MailStoreState.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vesk {

/// The writer thread of one MailStore: told that the state changed, it waits
/// a short while for more changes, takes one snapshot of the newest state
/// through `snapshot` (a cheap copy: the containers share their data until
/// the store changes them again), encodes it and replaces the file, then the
/// account's first-screen record beside it (see FirstScreen).
///
/// Threading: markChanged(), flush() and cancel() may be called from any
/// thread; `snapshot` runs on the writer thread. The destructor writes what
/// is pending, then stops the thread.
class CacheWriter final
{
public:
    using Snapshot = std::function<std::optional<MailStoreState>()>;

    CacheWriter(QString filePath, QString accountEmail, std::chrono::milliseconds delay,
                Snapshot snapshot);
    ~CacheWriter();
    CacheWriter(const CacheWriter&) = delete;
    CacheWriter& operator=(const CacheWriter&) = delete;

    void markChanged();
    /// Writes at once whatever is pending and returns when it is on disk.
    void flush();
    /// Drops what is pending, waits for a write in progress, then deletes
    /// the file and its first-screen record: nothing written before can come
    /// back after.
    void removeFile();
    int writeCount() const;

private:
    void run();
    bool writeFile(const MailStoreState& state) const;

    const QString m_filePath;
    const QString m_accountEmail;
    const QString m_firstScreenPath;
    const std::chrono::milliseconds m_delay;
    const Snapshot m_snapshot;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_settled;
    quint64 m_changes = 0; // changes announced
    quint64 m_written = 0; // changes covered by the last write (or dropped)
    bool m_hurry = false;
    bool m_stopping = false;
    bool m_writing = false;
    int m_writeCount = 0;
    std::thread m_thread; // last: starts once the members above exist
};

} // namespace vesk
