#include "FakeNotificationServer.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;

QString nextConnectionName()
{
    static int s_count = 0;
    return u"fake-notification-server-%1"_s.arg(++s_count);
}

} // namespace

FakeNotificationServer::FakeNotificationServer(QStringList capabilities)
    : m_connectionName(nextConnectionName())
    , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
    , m_capabilities(std::move(capabilities))
{
    m_bus.registerObject(
        path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportScriptableSignals);
    if (!m_bus.registerService(service))
        qWarning("fake notification server: %s", qPrintable(m_bus.lastError().message()));
}

FakeNotificationServer::~FakeNotificationServer()
{
    m_bus.unregisterService(service);
    m_bus.unregisterObject(path);
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool FakeNotificationServer::waitForNotified(qsizetype count)
{
    QSignalSpy spy(this, &FakeNotificationServer::notifiedOne);
    while (m_notified.size() < count) {
        if (!spy.wait(10000))
            return false;
    }
    return true;
}

void FakeNotificationServer::click(uint id, const QString& actionKey)
{
    Q_EMIT ActionInvoked(id, actionKey);
}

void FakeNotificationServer::close(uint id)
{
    m_open.removeAll(id);
    Q_EMIT NotificationClosed(id, 2);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    if (m_malformed) {
        setDelayedReply(true);
        m_bus.send(message().createReply(42));
    }
    return m_capabilities;
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                    const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints,
                                    int expireTimeout)
{
    // As the protocol says: replacing an open notification keeps its id.
    const uint id = m_open.contains(replacesId) ? replacesId : m_nextId++;
    if (!m_open.contains(id))
        m_open.append(id);
    m_notified.append(
        {appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout, id});
    if (m_malformed) {
        setDelayedReply(true);
        m_bus.send(message().createReply(u"not an id"_s));
    }
    Q_EMIT notifiedOne();
    return id;
}

void FakeNotificationServer::CloseNotification(uint id)
{
    close(id);
}
