#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QMutex>
#include <QObject>
#include <QTest>
#include <QVariantMap>

namespace vesk::test {

/// A notification server of the test's own: owns org.freedesktop.Notifications
/// on the private session bus through a connection of its own, records every
/// Notify, and lets the test click and close what it showed. What it records
/// is behind a lock, so that it may answer from a thread of its own while the
/// test reads it.
class FakeNotificationServer final
    : public QObject
    , protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notified
    {
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        uint id = 0;
    };

    explicit FakeNotificationServer(QStringList capabilities = {QStringLiteral("body"),
                                                                QStringLiteral("actions")})
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_name))
        , m_capabilities(std::move(capabilities))
    {
        m_bus.registerObject(s_path, this,
                             QDBusConnection::ExportAllSlots |
                                 QDBusConnection::ExportScriptableSignals);
        if (!m_bus.registerService(s_service))
            qWarning("fake notification server: %s", qPrintable(m_bus.lastError().message()));
    }
    ~FakeNotificationServer() override
    {
        m_bus.unregisterService(s_service);
        m_bus.unregisterObject(s_path);
        QDBusConnection::disconnectFromBus(m_name);
    }

    /// Answers with the wrong types from now on.
    void setMalformedReplies(bool malformed) { m_malformed = malformed; }
    QList<Notified> notified() const
    {
        const QMutexLocker locker(&m_lock);
        return m_notified;
    }
    /// The ids the client asked to close, in order.
    QList<uint> closedByClient() const
    {
        const QMutexLocker locker(&m_lock);
        return m_closedByClient;
    }
    bool waitForClosedByClient(uint id)
    {
        return QTest::qWaitFor([&] { return closedByClient().contains(id); }, 20000);
    }
    /// Waits until `count` notifications have arrived in all.
    bool waitForNotified(qsizetype count)
    {
        return QTest::qWaitFor([&] { return notified().size() >= count; }, 10000);
    }
    void click(uint id, const QString& actionKey = QStringLiteral("default"))
    {
        Q_EMIT ActionInvoked(id, actionKey);
    }
    void close(uint id)
    {
        {
            const QMutexLocker locker(&m_lock);
            m_open.removeAll(id);
        }
        Q_EMIT NotificationClosed(id, 2);
    }

public slots:
    QStringList GetCapabilities()
    {
        if (m_malformed)
            replyInstead(42);
        return m_capabilities;
    }
    uint Notify(const QString& /*appName*/, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int /*expireTimeout*/)
    {
        const QMutexLocker locker(&m_lock);
        // As the protocol says: replacing an open notification keeps its id.
        const uint id = m_open.contains(replacesId) ? replacesId : m_nextId++;
        if (!m_open.contains(id))
            m_open.append(id);
        m_notified.append({replacesId, appIcon, summary, body, actions, hints, id});
        if (m_malformed)
            replyInstead(QStringLiteral("not an id"));
        return id;
    }
    void CloseNotification(uint id)
    {
        {
            const QMutexLocker locker(&m_lock);
            m_closedByClient.append(id);
        }
        close(id);
    }

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& actionKey);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    void replyInstead(const QVariant& wrong)
    {
        setDelayedReply(true);
        m_bus.send(message().createReply(wrong));
    }

    static inline const QString s_service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString s_path = QStringLiteral("/org/freedesktop/Notifications");
    static inline int s_servers = 0;
    const QString m_name = QStringLiteral("fake-notification-server-%1").arg(++s_servers);
    QDBusConnection m_bus;
    QStringList m_capabilities;
    mutable QMutex m_lock;
    QList<Notified> m_notified;
    QList<uint> m_open;
    QList<uint> m_closedByClient;
    uint m_nextId = 1;
    bool m_malformed = false;
};

} // namespace vesk::test
