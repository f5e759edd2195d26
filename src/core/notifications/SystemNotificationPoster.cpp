#include "SystemNotificationPoster.h"

#include "NotificationRouter.h"
#include "NotificationText.h"
#include "platform/DesktopIdentity.h"

#include <QCoroSignal>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QPointer>

#include <algorithm>

namespace vesk {

namespace {

const QString notificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString notificationsInterface = QStringLiteral("org.freedesktop.Notifications");
const QString launcherEntryPath = QStringLiteral("/com/canonical/unity/launcherentry/vesk");
const QString launcherEntryInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");

const QString archiveAction = QStringLiteral("archive");
const QString markReadAction = QStringLiteral("mark-read");

// A server that hangs must not hold notifications (or start-up) for long.
constexpr int callTimeoutMs = 5000;
// Posts held while the server is asked what it can show; a flood beyond this
// while the server is slow to answer is dropped rather than kept without bound.
constexpr qsizetype maxWaiting = 256;

QDBusMessage notificationsCall(const QString& method)
{
    return QDBusMessage::createMethodCall(notificationsService, notificationsPath,
                                          notificationsInterface, method);
}

QVariantMap hintsFor(const NotificationPayload& payload)
{
    const QString account = cleanNotificationLine(payload.threadIdentifier, 320);
    return {
        {QStringLiteral("category"), QStringLiteral("email.arrived")},
        {QStringLiteral("sound-name"), QStringLiteral("message-new-email")},
        // Servers find our name (and, failing the icon below, our icon)
        // through the installed desktop file.
        {QStringLiteral("desktop-entry"), DesktopIdentity::id()},
        // There is no standard grouping hint: ours names the account, and
        // Plasma shows its origin name in the popup's header.
        {QStringLiteral("x-vesk-account"), account},
        {QStringLiteral("x-kde-origin-name"), account},
    };
}

} // namespace

SystemNotificationPoster::SystemNotificationPoster(QDBusConnection bus,
                                                   std::shared_ptr<NotificationRouter> router,
                                                   ActivityProbe isApplicationActive,
                                                   QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_router(std::move(router))
    , m_isApplicationActive(std::move(isApplicationActive))
{
    // Naming the service makes Qt accept these signals only from the client
    // that owns the name, not look-alikes from any other client on the bus.
    // The slots' signatures as Qt writes them, without spaces, which
    // clang-format would add.
    // clang-format off
    m_bus.connect(notificationsService, notificationsPath, notificationsInterface,
                  QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint,QString)));
    m_bus.connect(notificationsService, notificationsPath, notificationsInterface,
                  QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint,uint)));
    // clang-format on
    auto* watcher = new QDBusServiceWatcher(notificationsService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &SystemNotificationPoster::onServerOwnerChanged);
}

SystemNotificationPoster::~SystemNotificationPoster() = default;

void SystemNotificationPoster::setApplicationActiveProbe(ActivityProbe isApplicationActive)
{
    m_isApplicationActive = std::move(isApplicationActive);
}

QCoro::Task<bool> SystemNotificationPoster::requestAuthorization()
{
    // A connection that never reached a bus yields calls that never finish.
    if (!m_bus.isConnected())
        co_return false;
    QPointer<SystemNotificationPoster> self(this);
    QDBusPendingCallWatcher watcher(
        m_bus.asyncCall(notificationsCall(QStringLiteral("GetCapabilities")), callTimeoutMs));
    co_await qCoro(&watcher, &QDBusPendingCallWatcher::finished);
    if (!self)
        co_return false;
    co_return takeCapabilities(watcher);
}

void SystemNotificationPoster::postNewMessage(const AccountIdentity& account,
                                              const MessageSummary& summary)
{
    // Built on the caller's thread; only the bus work moves. With `this` as
    // the context the queued call is dropped if the poster is destroyed first.
    QMetaObject::invokeMethod(
        this,
        [this, payload = NotificationPayload::forNewMessage(account, summary)] {
            deliver(payload);
        },
        Qt::AutoConnection);
}

void SystemNotificationPoster::postNewMessages(const AccountIdentity& account,
                                               const QList<MessageSummary>& summaries)
{
    if (summaries.isEmpty())
        return;
    QMetaObject::invokeMethod(
        this,
        [this, payload = NotificationPayload::forNewMessages(account, summaries)] {
            deliver(payload);
        },
        Qt::AutoConnection);
}

void SystemNotificationPoster::setTotalUnread(qint64 count)
{
    QMetaObject::invokeMethod(
        this, [this, count] { sendBadge(count); }, Qt::AutoConnection);
}

void SystemNotificationPoster::deliver(const NotificationPayload& payload)
{
    if (!m_bus.isConnected() || (m_isApplicationActive && m_isApplicationActive()))
        return;
    if (m_capabilities) {
        sendOrHold(payload);
        return;
    }
    if (m_waiting.size() < maxWaiting)
        m_waiting.append(payload);
    askCapabilities();
}

void SystemNotificationPoster::sendOrHold(const NotificationPayload& payload)
{
    // Only the latest repeat matters: it replaces whatever the first showed.
    if (m_inFlight.contains(payload.identifier))
        m_heldRepeats.insert(payload.identifier, payload);
    else
        sendNotify(payload);
}

void SystemNotificationPoster::sendNotify(const NotificationPayload& payload)
{
    if (!m_bus.isConnected())
        return;
    // An unknown server is assumed to show plain bodies, as nearly all do.
    const NotificationText text = NotificationText::forServer(
        payload, m_capabilities.value_or(QStringList{QStringLiteral("body")}));
    QDBusMessage call = notificationsCall(QStringLiteral("Notify"));
    // The icon by its theme name: the installed hicolor icon of the program.
    call << QStringLiteral("Vesk") << m_delivered.serverId(payload.identifier)
         << DesktopIdentity::id() << text.summary << text.body << actionsFor(payload)
         << hintsFor(payload) << qint32(-1);
    m_inFlight.insert(payload.identifier, payload);
    QDBusPendingCallWatcher* watcher = watch(m_bus.asyncCall(call, callTimeoutMs));
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, identifier = payload.identifier](QDBusPendingCallWatcher* finished) {
                onNotifyAnswered(*finished, identifier);
            });
}

QStringList SystemNotificationPoster::actionsFor(const NotificationPayload& payload) const
{
    QStringList actions{QStringLiteral("default"), tr("Abrir")};
    // Servers without actions would show the buttons' texts as nothing, or
    // as a menu of the default action only.
    if (!m_capabilities || !m_capabilities->contains(QStringLiteral("actions")))
        return actions;
    const bool several = payload.userInfo.messageIDs.size() > 1;
    actions << archiveAction << tr("Arquivar") << markReadAction
            << (several ? tr("Marcar como lidas") : tr("Marcar como lida"));
    return actions;
}

void SystemNotificationPoster::onNotifyAnswered(const QDBusPendingCall& call,
                                                const QString& identifier)
{
    // As it is now: messages read while the call was on its way are off it.
    const NotificationPayload payload = m_inFlight.take(identifier);
    const QDBusPendingReply<uint> reply = call;
    // On failure an earlier notification of this identifier may still be
    // showing, so its entry stays; a new server clears the book anyway.
    if (reply.isValid()) {
        m_delivered.remember(reply.value(), payload.identifier, payload.userInfo);
        if (payload.userInfo.messageIDs.isEmpty()) {
            m_delivered.forget(reply.value());
            sendClose(reply.value());
        }
    }
    if (const auto held = m_heldRepeats.constFind(payload.identifier);
        held != m_heldRepeats.cend()) {
        // A copy: erasing the entry next ends the value it refers to.
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
        const NotificationPayload repeat = *held;
        m_heldRepeats.erase(held);
        sendNotify(repeat);
    }
}

QStringList SystemNotificationPoster::announcedMessages(const QString& accountId) const
{
    QStringList ids = m_delivered.announced(accountId);
    const auto collect = [&](const NotificationPayload& payload) {
        if (payload.userInfo.accountID == accountId)
            ids += payload.userInfo.messageIDs;
    };
    std::for_each(m_waiting.cbegin(), m_waiting.cend(), collect);
    std::for_each(m_inFlight.cbegin(), m_inFlight.cend(), collect);
    std::for_each(m_heldRepeats.cbegin(), m_heldRepeats.cend(), collect);
    ids.removeDuplicates();
    return ids;
}

void SystemNotificationPoster::withdrawMessages(const QString& accountId,
                                                const QStringList& messageIds)
{
    QMetaObject::invokeMethod(
        this, [this, accountId, messageIds] { withdraw(accountId, messageIds); },
        Qt::AutoConnection);
}

void SystemNotificationPoster::withdraw(const QString& accountId, const QStringList& messageIds)
{
    const auto strip = [&](NotificationPayload& payload) {
        if (payload.userInfo.accountID == accountId) {
            payload.userInfo.messageIDs.removeIf(
                [&](const QString& id) { return messageIds.contains(id); });
        }
    };
    const auto settled = [](const NotificationPayload& payload) {
        return payload.userInfo.messageIDs.isEmpty();
    };
    // Not shown yet: those with nothing left are not shown at all. One on
    // its way is closed once the server has said its id.
    std::for_each(m_waiting.begin(), m_waiting.end(), strip);
    m_waiting.removeIf(settled);
    std::for_each(m_heldRepeats.begin(), m_heldRepeats.end(), strip);
    m_heldRepeats.removeIf(
        [&](QHash<QString, NotificationPayload>::iterator it) { return settled(it.value()); });
    std::for_each(m_inFlight.begin(), m_inFlight.end(), strip);
    const QList<uint> emptied = m_delivered.withdraw(accountId, messageIds);
    for (const uint serverId : emptied)
        sendClose(serverId);
}

void SystemNotificationPoster::sendClose(uint serverId)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = notificationsCall(QStringLiteral("CloseNotification"));
    call << serverId;
    // Nothing to do with the answer: a notification the user closed first
    // is simply gone.
    watch(m_bus.asyncCall(call, callTimeoutMs));
}

void SystemNotificationPoster::askCapabilities()
{
    if (m_capabilitiesAsked)
        return;
    m_capabilitiesAsked = true;
    QDBusPendingCallWatcher* watcher =
        watch(m_bus.asyncCall(notificationsCall(QStringLiteral("GetCapabilities")), callTimeoutMs));
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) { onCapabilitiesAnswered(*finished); });
}

void SystemNotificationPoster::onCapabilitiesAnswered(const QDBusPendingCall& call)
{
    m_capabilitiesAsked = false;
    // Without an answer the waiting posts still go out (they fail too if no
    // server is there); the next post asks again.
    takeCapabilities(call);
    const QList<NotificationPayload> waiting = std::exchange(m_waiting, {});
    for (const NotificationPayload& payload : waiting)
        sendOrHold(payload);
}

bool SystemNotificationPoster::takeCapabilities(const QDBusPendingCall& call)
{
    const QDBusPendingReply<QStringList> reply = call;
    if (!reply.isValid())
        return false;
    m_capabilities = reply.value();
    return true;
}

void SystemNotificationPoster::onServerOwnerChanged()
{
    // Another server (or none): its ids mean other notifications, and it may
    // show other things.
    m_delivered.clear();
    m_capabilities.reset();
}

void SystemNotificationPoster::onActionInvoked(uint serverId, const QString& actionKey)
{
    // Ids we did not post (another application's, or ones we forgot) carry
    // nothing to open or change.
    const auto info = m_delivered.userInfo(serverId);
    if (!info)
        return;
    if (actionKey == u"default")
        m_router->route(info->accountID, info->threadID);
    else if (actionKey == archiveAction)
        m_router->act(info->accountID, info->threadIDs, NotificationAction::Archive);
    else if (actionKey == markReadAction)
        m_router->act(info->accountID, info->threadIDs, NotificationAction::MarkRead);
}

void SystemNotificationPoster::onNotificationClosed(uint serverId, uint /*reason*/)
{
    m_delivered.forget(serverId);
}

void SystemNotificationPoster::sendBadge(qint64 count)
{
    const qint64 shown = qMax<qint64>(0, count);
    QDBusMessage signal = QDBusMessage::createSignal(launcherEntryPath, launcherEntryInterface,
                                                     QStringLiteral("Update"));
    // Docks match the URI to the desktop file they launched the program from.
    signal << DesktopIdentity::applicationUri()
           << QVariantMap{{QStringLiteral("count"), QVariant::fromValue(shown)},
                          {QStringLiteral("count-visible"), shown > 0}};
    m_bus.send(signal);
}

QDBusPendingCallWatcher* SystemNotificationPoster::watch(const QDBusPendingCall& call)
{
    auto* watcher = new QDBusPendingCallWatcher(call, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
            &QDBusPendingCallWatcher::deleteLater);
    return watcher;
}

} // namespace vesk
