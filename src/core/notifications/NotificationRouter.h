#pragma once

#include <QMutex>
#include <QString>

#include <functional>

namespace vesk {

/// Brings a click on a notification back to the application as a request to
/// open one thread of one account.
///
/// Built once by the program's composition and shared by the system poster,
/// which calls `route` for each click, and the application state, which
/// installs `onOpen` once, when it is created. `route` may be called from any
/// thread: the callback always runs on the thread of the application object
/// (the GUI thread), so it may touch interface state directly.
class NotificationRouter final
{
public:
    using OpenCallback = std::function<void(const QString& accountId, const QString& threadId)>;

    NotificationRouter() = default;
    NotificationRouter(const NotificationRouter&) = delete;
    NotificationRouter& operator=(const NotificationRouter&) = delete;

    void setOnOpen(OpenCallback onOpen);

    /// Hands a click to the callback on the GUI thread; without a callback the
    /// click is dropped.
    void route(const QString& accountId, const QString& threadId);

private:
    OpenCallback onOpen() const;

    mutable QMutex m_lock;
    OpenCallback m_onOpen;
};

} // namespace vesk
