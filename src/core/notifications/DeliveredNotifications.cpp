#include "DeliveredNotifications.h"

namespace vesk {

DeliveredNotifications::DeliveredNotifications(qsizetype capacity)
    : m_capacity(qMax<qsizetype>(1, capacity))
{}

uint DeliveredNotifications::serverId(const QString& identifier) const
{
    return m_serverIds.value(identifier, 0);
}

std::optional<NotificationUserInfo> DeliveredNotifications::userInfo(uint serverId) const
{
    const auto it = m_entries.constFind(serverId);
    if (it == m_entries.cend())
        return std::nullopt;
    return it->info;
}

QStringList DeliveredNotifications::announced(const QString& accountId) const
{
    QStringList ids;
    for (const Entry& entry : m_entries) {
        if (entry.info.accountID == accountId)
            ids += entry.info.messageIDs;
    }
    return ids;
}

QList<uint> DeliveredNotifications::withdraw(const QString& accountId,
                                             const QStringList& messageIds)
{
    QList<uint> emptied;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->info.accountID != accountId)
            continue;
        it->info.messageIDs.removeIf([&](const QString& id) { return messageIds.contains(id); });
        if (it->info.messageIDs.isEmpty())
            emptied.append(it.key());
    }
    for (const uint serverId : std::as_const(emptied))
        forget(serverId);
    return emptied;
}

void DeliveredNotifications::remember(uint serverId, const QString& identifier,
                                      const NotificationUserInfo& info)
{
    if (serverId == 0)
        return; // not a notification id; the server broke the protocol
    // A replacement may come back under a new number, and a number may be
    // reused for another identifier: both old pairings go.
    forget(m_serverIds.value(identifier, 0));
    forget(serverId);
    while (m_entries.size() >= m_capacity && !m_order.empty())
        dropOldest();
    const quint64 sequence = m_nextSequence++;
    m_entries.insert(serverId, Entry{identifier, info, sequence});
    m_serverIds.insert(identifier, serverId);
    m_order.emplace(sequence, serverId);
}

void DeliveredNotifications::forget(uint serverId)
{
    const auto it = m_entries.constFind(serverId);
    if (it == m_entries.cend())
        return;
    m_serverIds.remove(it->identifier);
    m_order.erase(it->sequence);
    m_entries.erase(it);
}

void DeliveredNotifications::clear()
{
    m_entries.clear();
    m_serverIds.clear();
    m_order.clear();
}

void DeliveredNotifications::dropOldest()
{
    forget(m_order.begin()->second);
}

} // namespace vesk
