#include "NotificationRouter.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutexLocker>

namespace vesk {

void NotificationRouter::setOnOpen(OpenCallback onOpen)
{
    const QMutexLocker locker(&m_lock);
    m_onOpen = std::move(onOpen);
}

NotificationRouter::OpenCallback NotificationRouter::onOpen() const
{
    const QMutexLocker locker(&m_lock);
    return m_onOpen;
}

void NotificationRouter::route(const QString& accountId, const QString& threadId)
{
    // The callback is copied out of the lock so that it may install another
    // callback, or route again, without deadlocking.
    OpenCallback callback = onOpen();
    if (!callback)
        return;
    QCoreApplication* const app = QCoreApplication::instance();
    if (!app) {
        callback(accountId, threadId);
        return;
    }
    // Direct when already on the GUI thread, queued otherwise; a call queued
    // while the application object goes away is dropped with it.
    QMetaObject::invokeMethod(
        app,
        [callback = std::move(callback), accountId, threadId] { callback(accountId, threadId); },
        Qt::AutoConnection);
}

} // namespace vesk
