#pragma once

#include <QMutex>
#include <QString>

#include <functional>
#include <memory>

namespace vesk {

/// Brings a click on a notification back to the application as a request to
/// open one thread of one account.
///
/// The application state installs `onOpen` once, when it is created; the
/// system poster calls `route` for each click. `route` may be called from any
/// thread: the callback always runs on the thread of the application object
/// (the GUI thread), so it may touch interface state directly.
class NotificationRouter final
{
public:
    using OpenCallback = std::function<void(const QString& accountID, const QString& threadID)>;

    NotificationRouter() = default;
    NotificationRouter(const NotificationRouter&) = delete;
    NotificationRouter& operator=(const NotificationRouter&) = delete;

    /// The process-wide router; it exists from first use to the end of the process.
    static const std::shared_ptr<NotificationRouter>& shared();

    void setOnOpen(OpenCallback onOpen);
    bool hasOnOpen() const;

    /// Hands a click to the callback on the GUI thread; without a callback the
    /// click is dropped.
    void route(const QString& accountID, const QString& threadID);

private:
    OpenCallback onOpen() const;

    mutable QMutex m_lock;
    OpenCallback m_onOpen;
};

} // namespace vesk
