#pragma once

#include "DeliveredNotifications.h"
#include "NotificationPayload.h"
#include "NotificationPosting.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDBusPendingCall;
class QDBusPendingCallWatcher;

namespace vesk {

class NotificationRouter;

/// Shows new-mail notifications through the desktop's notification server
/// (org.freedesktop.Notifications), shows the unread total as the launcher
/// badge (com.canonical.Unity.LauncherEntry) and hands clicks to the router.
/// Where the server shows actions, a notification also offers to archive or
/// mark read what it announces; the router hands those to the application,
/// which changes the mail as the window would. Several messages of one
/// synchronisation make one notification. A notification is withdrawn once
/// every message it announces has been read or has left the inbox.
///
/// Built once by the program's composition on the session bus. Lives on one
/// thread (the GUI thread) and talks to the bus only there; `postNewMessage`
/// and `setTotalUnread` may be called from any thread and merely post the
/// work to it. No operation blocks or fails: a
/// missing server, a refused call or a malformed answer means that nothing is
/// shown. Nothing is posted while the application is active, since the user is
/// already looking at the mail.
class SystemNotificationPoster final
    : public QObject
    , public NotificationPosting
{
    Q_OBJECT

public:
    /// True while the application is the active one; may be empty (never active).
    using ActivityProbe = std::function<bool()>;

    explicit SystemNotificationPoster(QDBusConnection bus,
                                      std::shared_ptr<NotificationRouter> router,
                                      ActivityProbe isApplicationActive = {},
                                      QObject* parent = nullptr);
    ~SystemNotificationPoster() override;

    /// For the interface, which knows what "active" means; call on the
    /// poster's thread.
    void setApplicationActiveProbe(ActivityProbe isApplicationActive);

    /// Whether a notification server answers on the bus (there is nothing to
    /// grant on this desktop); also learns what the server can show. Call on
    /// the poster's thread.
    QCoro::Task<bool> requestAuthorization();

    void postNewMessage(const AccountIdentity& account, const MessageSummary& summary) override;
    void postNewMessages(const AccountIdentity& account,
                         const QList<MessageSummary>& summaries) override;
    void setTotalUnread(qint64 count) override;
    /// Unlike the other operations, only on the poster's thread.
    QStringList announcedMessages(const QString& accountId) const override;
    void withdrawMessages(const QString& accountId, const QStringList& messageIds) override;

private slots:
    // Slots because the bus connects signals by name.
    void onActionInvoked(uint serverId, const QString& actionKey);
    void onNotificationClosed(uint serverId, uint reason);

private:
    void deliver(const NotificationPayload& payload);
    void sendOrHold(const NotificationPayload& payload);
    void sendNotify(const NotificationPayload& payload);
    void onNotifyAnswered(const QDBusPendingCall& call, const QString& identifier);
    void withdraw(const QString& accountId, const QStringList& messageIds);
    void sendClose(uint serverId);
    QStringList actionsFor(const NotificationPayload& payload) const;
    void askCapabilities();
    void onCapabilitiesAnswered(const QDBusPendingCall& call);
    bool takeCapabilities(const QDBusPendingCall& call);
    void onServerOwnerChanged();
    void sendBadge(qint64 count);
    QDBusPendingCallWatcher* watch(const QDBusPendingCall& call);

    QDBusConnection m_bus;
    std::shared_ptr<NotificationRouter> m_router;
    ActivityProbe m_isApplicationActive;
    /// Unknown until the current server has answered `GetCapabilities`.
    std::optional<QStringList> m_capabilities;
    bool m_capabilitiesAsked = false;
    /// Posts that arrived before the server said what it can show.
    QList<NotificationPayload> m_waiting;
    /// Notifications whose `Notify` is on its way, by identifier: a repeat
    /// must wait for the server id or it would show a second notification
    /// instead of replacing. Their messages may be withdrawn meanwhile.
    QHash<QString, NotificationPayload> m_inFlight;
    QHash<QString, NotificationPayload> m_heldRepeats;
    DeliveredNotifications m_delivered;
};

} // namespace vesk
