#pragma once

#include "MailStore.h"

#include <QString>
#include <QStringList>

#include <future>
#include <map>
#include <mutex>
#include <optional>

namespace vesk {

/// The caches of the accounts about to open but the largest, read and
/// decoded on threads of their own from construction on, so that they load
/// beside the largest one instead of after it on the GUI thread. Each store
/// then takes its cache from here; the largest one's store reads its own.
/// Any thread.
class CachePreload final
{
public:
    CachePreload(const QStringList& accountEmails, std::optional<QString> baseDirectory);
    /// Waits for the reads still running.
    ~CachePreload();

    CachePreload(const CachePreload&) = delete;
    CachePreload& operator=(const CachePreload&) = delete;

    /// What was read for `accountEmail`, waiting for it if need be; once
    /// only, and nothing for an account that was not read ahead.
    std::optional<MailStore::ReadAhead> take(const QString& accountEmail);

private:
    std::mutex m_mutex;
    std::map<QString, std::future<MailStore::ReadAhead>> m_reads;
};

} // namespace vesk
