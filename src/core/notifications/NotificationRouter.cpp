#include "NotificationRouter.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutexLocker>

namespace vesk {

namespace {

/// Direct when already on the GUI thread, queued otherwise; a call queued
/// while the application object goes away is dropped with it.
template <typename Call>
void onGuiThread(Call call)
{
    QCoreApplication* const app = QCoreApplication::instance();
    if (!app) {
        call();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(call), Qt::AutoConnection);
}

} // namespace

void NotificationRouter::setOnOpen(OpenCallback onOpen)
{
    const QMutexLocker locker(&m_lock);
    m_onOpen = std::move(onOpen);
}

void NotificationRouter::setOnAct(ActCallback onAct)
{
    const QMutexLocker locker(&m_lock);
    m_onAct = std::move(onAct);
}

NotificationRouter::OpenCallback NotificationRouter::onOpen() const
{
    const QMutexLocker locker(&m_lock);
    return m_onOpen;
}

NotificationRouter::ActCallback NotificationRouter::onAct() const
{
    const QMutexLocker locker(&m_lock);
    return m_onAct;
}

void NotificationRouter::route(const QString& accountId, const QString& threadId)
{
    // The callback is copied out of the lock so that it may install another
    // callback, or route again, without deadlocking.
    OpenCallback callback = onOpen();
    if (!callback)
        return;
    onGuiThread(
        [callback = std::move(callback), accountId, threadId] { callback(accountId, threadId); });
}

void NotificationRouter::act(const QString& accountId, const QStringList& threadIds,
                             NotificationAction action)
{
    ActCallback callback = onAct();
    if (!callback)
        return;
    onGuiThread([callback = std::move(callback), accountId, threadIds, action] {
        callback(accountId, threadIds, action);
    });
}

} // namespace vesk
