#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

/// A small notification server for tests: owns org.freedesktop.Notifications
/// on the test's session bus through a connection of its own, records every
/// Notify, and lets the test click and close what it showed.
class FakeNotificationServer final
    : public QObject
    , protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notified
    {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0;
    };

    explicit FakeNotificationServer(QStringList capabilities = {QStringLiteral("body"),
                                                                QStringLiteral("actions")});
    ~FakeNotificationServer() override;

    /// Answers with the wrong types from now on.
    void setMalformedReplies(bool malformed) { m_malformed = malformed; }

    QList<Notified> notified() const { return m_notified; }
    /// Waits until `count` notifications have arrived in all.
    bool waitForNotified(qsizetype count);

    void click(uint id, const QString& actionKey = QStringLiteral("default"));
    void close(uint id);

public slots:
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& actionKey);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);
    void notifiedOne();

private:
    const QString m_connectionName;
    QDBusConnection m_bus;
    QStringList m_capabilities;
    QList<Notified> m_notified;
    QList<uint> m_open;
    uint m_nextId = 1;
    bool m_malformed = false;
};
