#include "MemorySecureStore.h"

namespace vesk {

bool MemorySecureStore::set(const QString& value, const QString& service, const QString& account)
{
    const std::lock_guard lock(m_mutex);
    m_secrets.insert({service, account}, value);
    return true;
}

std::optional<QString> MemorySecureStore::get(const QString& service, const QString& account) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_secrets.constFind({service, account});
    if (found == m_secrets.cend())
        return std::nullopt;
    return *found;
}

bool MemorySecureStore::remove(const QString& service, const QString& account)
{
    const std::lock_guard lock(m_mutex);
    m_secrets.remove({service, account});
    return true;
}

} // namespace vesk
