#pragma once

#include "NotificationAction.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

namespace vesk {

/// Brings a click on a notification back to the application as a request to
/// open one thread of one account (or the account's inbox), and a click on
/// one of its buttons as an action on the conversations it announced.
///
/// Built once by the program's composition and shared by the system poster,
/// which calls `route` and `act` for each click, and the application state,
/// which installs the callbacks once, when it is created. `route` and `act`
/// may be called from any thread: the callbacks always run on the thread of
/// the application object (the GUI thread), so they may touch interface
/// state directly.
class NotificationRouter final
{
public:
    /// An empty `threadId` asks for the account's inbox.
    using OpenCallback = std::function<void(const QString& accountId, const QString& threadId)>;
    using ActCallback = std::function<void(const QString& accountId, const QStringList& threadIds,
                                           NotificationAction action)>;

    NotificationRouter() = default;
    NotificationRouter(const NotificationRouter&) = delete;
    NotificationRouter& operator=(const NotificationRouter&) = delete;

    void setOnOpen(OpenCallback onOpen);
    void setOnAct(ActCallback onAct);

    /// Hands a click to the callback on the GUI thread; without a callback the
    /// click is dropped.
    void route(const QString& accountId, const QString& threadId);
    /// Hands an action to its callback on the GUI thread; without a callback
    /// it is dropped.
    void act(const QString& accountId, const QStringList& threadIds, NotificationAction action);

private:
    OpenCallback onOpen() const;
    ActCallback onAct() const;

    mutable QMutex m_lock;
    OpenCallback m_onOpen;
    ActCallback m_onAct;
};

} // namespace vesk
