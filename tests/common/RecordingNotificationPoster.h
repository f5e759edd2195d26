#pragma once

#include "model/AccountIdentity.h"
#include "model/MessageSummary.h"
#include "notifications/NotificationPosting.h"

#include <QList>
#include <QMutex>
#include <QMutexLocker>

namespace vesk {

/// Keeps what it is told so that tests can look at it afterwards; the running
/// application never uses it. Every access holds one lock, so sync engines on
/// several threads may post at once.
class RecordingNotificationPoster final : public NotificationPosting
{
public:
    struct Posted
    {
        AccountIdentity account;
        MessageSummary summary;

        friend bool operator==(const Posted&, const Posted&) = default;
    };

    void postNewMessage(const AccountIdentity& account, const MessageSummary& summary) override
    {
        const QMutexLocker locker(&m_lock);
        m_storage.append(Posted{account, summary});
    }

    void setTotalUnread(qint64 count) override
    {
        const QMutexLocker locker(&m_lock);
        m_unread = count;
    }

    /// What was posted, in the order the posts took the lock.
    QList<Posted> posted() const
    {
        const QMutexLocker locker(&m_lock);
        return m_storage;
    }

    /// The last total handed over; 0 before the first.
    qint64 unread() const
    {
        const QMutexLocker locker(&m_lock);
        return m_unread;
    }

private:
    mutable QMutex m_lock;
    QList<Posted> m_storage;
    qint64 m_unread = 0;
};

} // namespace vesk
