#include "CachePreload.h"

namespace vesk {

CachePreload::CachePreload(const QStringList& accountEmails, std::optional<QString> baseDirectory)
{
    for (const QString& email : accountEmails) {
        if (m_reads.count(email) != 0)
            continue;
        m_reads.emplace(email, std::async(std::launch::async, [email, baseDirectory] {
                            return MailStore::readAhead(email, baseDirectory);
                        }));
    }
}

CachePreload::~CachePreload() = default;

std::optional<MailStore::ReadAhead> CachePreload::take(const QString& accountEmail)
{
    std::future<MailStore::ReadAhead> read;
    {
        const std::scoped_lock lock(m_mutex);
        const auto it = m_reads.find(accountEmail);
        if (it == m_reads.end())
            return std::nullopt;
        read = std::move(it->second);
        m_reads.erase(it);
    }
    return read.get();
}

} // namespace vesk
