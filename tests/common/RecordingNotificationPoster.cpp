#include "RecordingNotificationPoster.h"

#include <QMutexLocker>

namespace vesk {

void RecordingNotificationPoster::postNewMessage(const AccountIdentity& account,
                                                 const MessageSummary& summary)
{
    const QMutexLocker locker(&m_lock);
    m_storage.append(Posted{account, summary});
}

void RecordingNotificationPoster::setTotalUnread(qint64 count)
{
    const QMutexLocker locker(&m_lock);
    m_unread = count;
}

QList<RecordingNotificationPoster::Posted> RecordingNotificationPoster::posted() const
{
    const QMutexLocker locker(&m_lock);
    return m_storage;
}

qint64 RecordingNotificationPoster::unread() const
{
    const QMutexLocker locker(&m_lock);
    return m_unread;
}

} // namespace vesk
