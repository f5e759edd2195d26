#pragma once

#include "NotificationPayload.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace vesk {

/// The notifications the server has shown for us and not yet closed: our
/// identifier and the click's user info for each server id.
///
/// The server knows notifications only by the number `Notify` returned, so a
/// repeat of one of our identifiers must pass that number to replace it, and
/// a click (which names only the number) is mapped back to its user info here.
/// The book is bounded: past `capacity` the oldest entry is dropped, after
/// which a repeat of it shows a new notification and a click on it is ignored.
/// Not thread-safe; the poster uses it on its own thread only.
class DeliveredNotifications final
{
public:
    explicit DeliveredNotifications(qsizetype capacity = 256);

    /// The server id shown for `identifier`, or 0 (the "new notification" id).
    uint serverId(const QString& identifier) const;
    std::optional<NotificationUserInfo> userInfo(uint serverId) const;
    qsizetype size() const { return m_entries.size(); }

    /// The messages of the account that the notifications shown still announce.
    QStringList announced(const QString& accountId) const;

    void remember(uint serverId, const QString& identifier, const NotificationUserInfo& info);
    void forget(uint serverId);
    void clear();
    /// Takes these messages of the account off the notifications that
    /// announce them, and forgets and returns the notifications left with none.
    QList<uint> withdraw(const QString& accountId, const QStringList& messageIds);

private:
    struct Entry
    {
        QString identifier;
        NotificationUserInfo info;
        quint64 sequence = 0;
    };

    void dropOldest();

    qsizetype m_capacity;
    quint64 m_nextSequence = 0;
    QHash<uint, Entry> m_entries;
    QHash<QString, uint> m_serverIds;
    // Oldest first; keyed by a counter, because server ids may be reused.
    std::map<quint64, uint> m_order;
};

} // namespace vesk
