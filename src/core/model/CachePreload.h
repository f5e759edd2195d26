#pragma once

#include "CacheReadStart.h"
#include "MailStore.h"

#include <QString>
#include <QStringList>

#include <map>
#include <mutex>
#include <optional>

namespace vesk {

/// The caches of the accounts about to open, read and decoded on threads of
/// their own, so that they load side by side and the window need not wait
/// for them: each account's first-screen record is read at once, and its
/// store shows that until its cache is in. An account without a usable
/// record, if it has the largest cache, is left to its store, which then
/// reads it on the GUI thread (quicker than a thread of its own, see the
/// constructor). Any thread.
class CachePreload final
{
public:
    CachePreload(const QStringList& accountEmails, std::optional<QString> baseDirectory,
                 CacheReadStart start = CacheReadStart::AtOnce);
    /// Waits for the reads still running, letting go those held back.
    ~CachePreload();

    CachePreload(const CachePreload&) = delete;
    CachePreload& operator=(const CachePreload&) = delete;

    /// What is read for `accountEmail`, without waiting for it; once only,
    /// and nothing for an account that was not read ahead.
    std::optional<MailStore::ReadAhead> take(const QString& accountEmail);

private:
    std::mutex m_mutex;
    std::map<QString, MailStore::ReadAhead> m_reads;
};

} // namespace vesk
