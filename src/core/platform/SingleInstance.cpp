#include "SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace vesk {

namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
// Long enough for an owner busy starting up, short enough that a hung one
// does not leave the user staring at nothing.
constexpr int activateTimeoutMs = 10000;

QString activationToken(const QVariantMap& platformData)
{
    // Wayland's token, or the X11 startup notification id of older launchers.
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    return token.isEmpty() ? platformData.value(QStringLiteral("desktop-startup-id")).toString()
                           : token;
}

} // namespace

SingleInstance::SingleInstance(QDBusConnection bus, QString serviceName, QString objectPath,
                               QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_serviceName(std::move(serviceName))
    , m_objectPath(std::move(objectPath))
{}

SingleInstance::~SingleInstance()
{
    if (m_exported)
        m_bus.unregisterObject(m_objectPath);
}

SingleInstance::Claim SingleInstance::claim(const QStringList& uris)
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return Claim::Unguarded;
    // The object first: a start that sees the name owned must find someone
    // to answer its activation.
    m_exported = m_bus.registerObject(m_objectPath, this, QDBusConnection::ExportAllSlots);
    if (!m_exported)
        return Claim::Unguarded;
    if (m_bus.registerService(m_serviceName))
        return Claim::Owner;
    m_bus.unregisterObject(m_objectPath);
    m_exported = false;
    if (!m_bus.interface()->isServiceRegistered(m_serviceName))
        return Claim::Unguarded;
    return activateOwner(uris) ? Claim::ActivatedOther : Claim::OtherUnresponsive;
}

bool SingleInstance::activateOwner(const QStringList& uris)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_serviceName, m_objectPath, applicationInterface,
        uris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (!uris.isEmpty())
        call << uris;
    call << ownPlatformData();
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, activateTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QVariantMap SingleInstance::ownPlatformData()
{
    // What the launcher gave this start to prove the user asked for it; the
    // owner needs it to be allowed to take the focus.
    QVariantMap data;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        data.insert(QStringLiteral("activation-token"), token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        data.insert(QStringLiteral("desktop-startup-id"), id);
    return data;
}

void SingleInstance::Activate(const QVariantMap& platformData)
{
    Q_EMIT activationRequested(activationToken(platformData));
}

void SingleInstance::Open(const QStringList& uris, const QVariantMap& platformData)
{
    Activate(platformData);
    if (!uris.isEmpty())
        Q_EMIT openRequested(uris);
}

void SingleInstance::ActivateAction(const QString& /*actionName*/,
                                    const QVariantList& /*parameter*/,
                                    const QVariantMap& platformData)
{
    Activate(platformData);
}

} // namespace vesk
