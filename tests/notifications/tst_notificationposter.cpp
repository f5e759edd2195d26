#include "AppRig.h"
#include "AwaitTask.h"
#include "FakeNotificationServer.h"
#include "TestFiles.h"
#include "app/UndoOffer.h"
#include "model/AccountIdentity.h"
#include "model/MessageSummary.h"
#include "notifications/DeliveredNotifications.h"
#include "notifications/NotificationPayload.h"
#include "notifications/NotificationRouter.h"
#include "notifications/SystemNotificationPoster.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

namespace {

const AccountIdentity ana{u"ana@exemplo.pt"_s, u"Ana Sousa"_s};
const AccountIdentity rui{u"rui@exemplo.pt"_s, u"Rui"_s};

MessageSummary message(const QString& id, const QString& subject = u"Reunião"_s,
                       const QString& snippet = u"Vamos &amp; já"_s,
                       const QString& fromName = u"Rui Lopes"_s)
{
    return MessageSummary(id, u"t-" + id, {u"INBOX"_s, u"UNREAD"_s}, snippet, fromName,
                          u"rl@x.pt"_s, subject, 1700000000000);
}

/// The application over the Google stand-in with Ana's account linked and
/// synced once, announcing through the system poster on the test's bus.
struct AppWorld
{
    AppRig rig{QList{ana}};
    std::shared_ptr<SystemNotificationPoster> poster =
        std::make_shared<SystemNotificationPoster>(QDBusConnection::sessionBus(), rig.router);
    std::unique_ptr<AppState> app;
    AccountSession* session = nullptr;

    AppWorld()
    {
        rig.linkDirectly(ana.email, ana.name);
        AppServices services = rig.services();
        services.sessions.poster = poster;
        app = std::make_unique<AppState>(std::move(services));
        awaitTask(app->startAll());
        session = AppRig::sessionOf(*app, ana.email);
    }

    /// Delivers messages with these subjects and syncs them in at once.
    QList<fakegoogle::MessageRef> arrive(const QStringList& subjects)
    {
        // A sync still running (one that follows a change sent to Google)
        // could read the history between two deliveries and announce them
        // apart: it ends first.
        awaitTask(session->syncNow());
        QList<fakegoogle::MessageRef> delivered;
        for (const QString& subject : subjects)
            delivered.append(rig.rig.deliver(ana.email, subject));
        awaitTask(session->syncNow());
        return delivered;
    }
};

int dunstctl(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(u"dunstctl"_s, arguments);
    if (!process.waitForFinished(20000))
        return -1;
    if (output)
        *output = process.readAllStandardOutput().trimmed();
    return process.exitCode();
}

/// What dunst shows or holds back; -1 when it cannot be asked.
int dunstCount()
{
    QByteArray displayed;
    QByteArray waiting;
    if (dunstctl({u"count"_s, u"displayed"_s}, &displayed) != 0 ||
        dunstctl({u"count"_s, u"waiting"_s}, &waiting) != 0)
        return -1;
    return displayed.toInt() + waiting.toInt();
}

} // namespace

class TestNotificationPoster : public QObject
{
    Q_OBJECT

    std::shared_ptr<NotificationRouter> m_router;
    QStringList m_opened; // "account thread", and where the router was called
    QStringList m_acted;  // "account action threads"
    QList<std::pair<QString, QVariantMap>> m_badges;

    std::unique_ptr<SystemNotificationPoster>
    makePoster(SystemNotificationPoster::ActivityProbe probe = {})
    {
        return std::make_unique<SystemNotificationPoster>(QDBusConnection::sessionBus(), m_router,
                                                          std::move(probe));
    }

    // The server's signals and its replies reach the poster in the order they
    // were sent, so once a later call has answered, earlier signals are handled.
    static bool settled(SystemNotificationPoster& poster)
    {
        return QCoro::waitFor(poster.requestAuthorization());
    }

public slots:
    // Not a test: the launcher badge's updates.
    void onBadge(const QString& appUri, const QVariantMap& properties)
    {
        m_badges.append({appUri, properties});
    }

private slots:
    void init()
    {
        m_opened.clear();
        m_router = std::make_shared<NotificationRouter>();
        m_router->setOnOpen([this](const QString& account, const QString& thread) {
            const bool onGui = QThread::currentThread() == qApp->thread();
            m_opened.append(account + u' ' + thread + (onGui ? u" (GUI)"_s : u" (worker)"_s));
        });
        m_acted.clear();
        m_router->setOnAct([this](const QString& account, const QStringList& threads,
                                  NotificationAction action) {
            const bool archive = action == NotificationAction::Archive;
            m_acted.append(account + (archive ? u" archive "_s : u" read "_s) + threads.join(u','));
        });
    }

    void payloadTexts_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<QString>("fromName");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QString>("body");

        QTest::newRow("no subject, no snippet")
            << QString() << QString() << u"Rui Lopes"_s << u"Rui Lopes"_s << u"(sem assunto)"_s;
        QTest::newRow("no subject, snippet")
            << QString() << u"olá"_s << u"Rui Lopes"_s << u"Rui Lopes"_s << u"(sem assunto) olá"_s;
        QTest::newRow("no sender name")
            << u"Oi"_s << u"  "_s << QString() << u"rl@x.pt"_s << u"Oi"_s;
    }
    void payloadTexts()
    {
        QFETCH(QString, subject);
        QFETCH(QString, snippet);
        QFETCH(QString, fromName);
        const AccountIdentity unnamed{u"z@x.pt"_s, QString()};
        const MessageSummary summary = message(u"m1"_s, subject, snippet, fromName);

        const NotificationPayload payload = NotificationPayload::forNewMessage(unnamed, summary);
        QCOMPARE(payload.title, u" \u00B7 z@x.pt"_s);
        QTEST(payload.subtitle, "subtitle");
        QTEST(payload.body, "body");
    }

    void postsTheNotificationAsTheServerShowsIt()
    {
        FakeNotificationServer server;
        bool active = true;
        const auto poster = makePoster([&active] { return active; });
        // Nothing is posted while the application is active.
        poster->postNewMessage(ana, message(u"m0"_s, u"Antes"_s));
        active = false;
        // From a sync engine's thread: the call only hands the work over.
        std::unique_ptr<QThread> worker(
            QThread::create([&] { poster->postNewMessage(ana, message(u"m1"_s)); }));
        worker->start();
        QVERIFY(server.waitForNotified(1));
        QVERIFY(worker->wait(60000));
        QVERIFY(settled(*poster));
        QCOMPARE(server.notified().size(), 1);

        const FakeNotificationServer::Notified shown = server.notified().at(0);
        QCOMPARE(shown.replacesId, 0u);
        QCOMPARE(shown.summary, u"Ana Sousa \u00B7 ana@exemplo.pt"_s);
        QCOMPARE(shown.body, u"Rui Lopes\nReunião Vamos & já"_s);
        QCOMPARE(shown.actions, (QStringList{u"default"_s, u"Abrir"_s, u"archive"_s, u"Arquivar"_s,
                                             u"mark-read"_s, u"Marcar como lida"_s}));
        // The installed desktop file and theme icon carry the program's id.
        QCOMPARE(shown.hints.value(u"desktop-entry"_s), u"app.orvendo.Vesk"_s);
        QCOMPARE(shown.appIcon, u"app.orvendo.Vesk"_s);
    }

    void textFollowsTheServersCapabilities()
    {
        const MessageSummary hostile =
            message(u"m1"_s, u"<b>Pague</b> já &amp;\r\nagora\u0000"_s + QChar(0xD800), QString(),
                    u"Eve <eve@x.pt>"_s);
        {
            FakeNotificationServer markup({u"body"_s, u"body-markup"_s});
            const auto poster = makePoster();
            poster->postNewMessage(ana, hostile);
            QVERIFY(markup.waitForNotified(1));
            QCOMPARE(markup.notified().at(0).body,
                     u"<b>Eve &lt;eve@x.pt&gt;</b>\n&lt;b&gt;Pague&lt;/b&gt; já "
                     "&amp;amp; agora \uFFFD"_s);
            // No buttons where the server shows no actions.
            QCOMPARE(markup.notified().at(0).actions, (QStringList{u"default"_s, u"Abrir"_s}));
        }
        {
            FakeNotificationServer summaryOnly({u"actions"_s});
            const auto poster = makePoster();
            poster->postNewMessage(ana, message(u"m2"_s, u"Olá"_s, QString()));
            QVERIFY(summaryOnly.waitForNotified(1));
            QCOMPARE(summaryOnly.notified().at(0).summary,
                     u"Ana Sousa \u00B7 ana@exemplo.pt \u2014 Rui Lopes: Olá"_s);
            QCOMPARE(summaryOnly.notified().at(0).body, QString());
        }
    }

    void repeatsReplaceAndClicksRoute()
    {
        FakeNotificationServer server;
        const auto poster = makePoster();
        // Back to back: the repeat must wait for the first id, not race it.
        poster->postNewMessage(ana, message(u"m1"_s));
        poster->postNewMessage(ana, message(u"m1"_s));
        poster->postNewMessage(rui, message(u"m1"_s));
        QVERIFY(server.waitForNotified(3));
        QVERIFY(settled(*poster));
        const uint anaId = server.notified().at(0).id;
        const uint ruiId = server.notified().at(1).id;
        QCOMPARE(server.notified().at(1).summary, u"Rui \u00B7 rui@exemplo.pt"_s);
        QCOMPARE(server.notified().at(1).replacesId, 0u); // another account, another identifier
        QCOMPARE(server.notified().at(2).replacesId, anaId);
        QCOMPARE(server.notified().at(2).id, anaId);

        server.click(ruiId, u"other"_s); // not the default action
        server.click(4242);              // not one of ours: no ids to route with
        // A look-alike signal from a client that does not own the service name.
        QDBusConnection spoofer =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"spoofer"_s);
        QDBusMessage spoof =
            QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                       u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
        spoof << anaId << u"default"_s;
        QVERIFY(spoofer.send(spoof));
        // Once the bus answers the spoofer, it has passed the spoof on ahead of the click.
        spoofer.interface()->isServiceRegistered(u"org.freedesktop.Notifications"_s);
        server.click(ruiId);
        QTRY_COMPARE_WITH_TIMEOUT(m_opened.size(), 1, 10000);
        QCOMPARE(m_opened.at(0), u"rui@exemplo.pt t-m1 (GUI)"_s);
        QDBusConnection::disconnectFromBus(u"spoofer"_s);

        // Closed by the server: forgotten, and a repeat is a new notification.
        server.close(anaId);
        server.click(anaId);
        server.click(ruiId);
        QTRY_COMPARE_WITH_TIMEOUT(m_opened.size(), 2, 10000);
        QCOMPARE(m_opened.at(1), m_opened.at(0));
        poster->postNewMessage(ana, message(u"m1"_s));
        QVERIFY(server.waitForNotified(4));
        QCOMPARE(server.notified().at(3).replacesId, 0u);
        QCOMPARE(m_opened.size(), 2);
    }

    void survivesAMissingRestartedOrBrokenServer()
    {
        {
            SystemNotificationPoster offline(QDBusConnection(u"never-connected"_s), m_router);
            QVERIFY(!QCoro::waitFor(offline.requestAuthorization()));
            offline.postNewMessage(ana, message(u"m1"_s));
            offline.setTotalUnread(3);
        }
        const auto poster = makePoster();
        QVERIFY(!QCoro::waitFor(poster->requestAuthorization()));
        poster->postNewMessage(ana, message(u"m1"_s)); // nobody to show it: dropped

        auto server = std::make_unique<FakeNotificationServer>();
        QVERIFY(QCoro::waitFor(poster->requestAuthorization()));
        poster->postNewMessage(ana, message(u"m1"_s));
        QVERIFY(server->waitForNotified(1));
        QCOMPARE(server->notified().at(0).replacesId, 0u);
        QVERIFY(settled(*poster));

        // A new server numbers from 1 again: the old ids must not replace or route.
        server.reset();
        server = std::make_unique<FakeNotificationServer>();
        QVERIFY(settled(*poster));
        server->click(1);
        poster->postNewMessage(ana, message(u"m1"_s));
        QVERIFY(server->waitForNotified(1));
        QCOMPARE(server->notified().at(0).replacesId, 0u);

        // Answers of the wrong type: nothing is kept, nothing breaks.
        server->setMalformedReplies(true);
        QVERIFY(!QCoro::waitFor(poster->requestAuthorization()));
        poster->postNewMessage(ana, message(u"m3"_s));
        QVERIFY(server->waitForNotified(2));
        const uint unanswered = server->notified().at(1).id;
        server->click(unanswered);
        QVERIFY(!QCoro::waitFor(poster->requestAuthorization()));
        poster->postNewMessage(ana, message(u"m3"_s));
        QVERIFY(server->waitForNotified(3));
        QCOMPARE(server->notified().at(2).replacesId, 0u);
        QCOMPARE(m_opened.size(), 0);
    }

    void badgeCarriesTheUnreadTotal()
    {
        // A connection of its own, listening to this program only, so that
        // other test programs on the same bus cannot interfere.
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"badge-listener"_s);
        // The slot's signature as Qt writes it, without the spaces clang-format adds.
        // clang-format off
        bus.connect(QDBusConnection::sessionBus().baseService(), QString(),
                    u"com.canonical.Unity.LauncherEntry"_s, u"Update"_s, this,
                    SLOT(onBadge(QString,QVariantMap)));
        // clang-format on
        // A round trip after the match rule: the bus has it before anyone sends.
        bus.interface()->isServiceRegistered(u"org.freedesktop.Notifications"_s);
        const auto poster = makePoster();
        poster->setTotalUnread(7);
        poster->setTotalUnread(0);
        std::unique_ptr<QThread> worker(QThread::create([&] { poster->setTotalUnread(-3); }));
        worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(m_badges.size(), 3, 10000);
        QVERIFY(worker->wait(60000));
        QDBusConnection::disconnectFromBus(u"badge-listener"_s);

        const QList<std::pair<qint64, bool>> expected{{7, true}, {0, false}, {0, false}};
        for (qsizetype i = 0; i < m_badges.size(); ++i) {
            QCOMPARE(m_badges.at(i).first, u"application://app.orvendo.Vesk.desktop"_s);
            const QVariantMap& properties = m_badges.at(i).second;
            QCOMPARE(properties.value(u"count"_s).metaType(), QMetaType::fromType<qlonglong>());
            QCOMPARE(properties.value(u"count"_s).toLongLong(), expected.at(i).first);
            QCOMPARE(properties.value(u"count-visible"_s).metaType(), QMetaType::fromType<bool>());
            QCOMPARE(properties.value(u"count-visible"_s).toBool(), expected.at(i).second);
        }
    }

    void severalMessagesMakeOneNotification()
    {
        FakeNotificationServer server;
        const auto poster = makePoster();
        // Out of date order; the newest two share a conversation, and one
        // subject tries to pass for a line of its own.
        QList<MessageSummary> five;
        for (const int n : {3, 1, 5, 2, 4}) {
            const QString id = u"m%1"_s.arg(n);
            const QString subject = n == 4 ? u"Assunto\r\n4"_s : u"Assunto %1"_s.arg(n);
            five.append(MessageSummary(id, n == 5 ? u"t-m4"_s : u"t-" + id,
                                       {u"INBOX"_s, u"UNREAD"_s}, {}, u"Remetente %1"_s.arg(n),
                                       u"r@x.pt"_s, subject, 1700000000000 + n * 1000));
        }
        poster->postNewMessages(ana, five);
        poster->postNewMessages(ana, {}); // nothing new: nothing shown
        QVERIFY(server.waitForNotified(1));
        QVERIFY(settled(*poster));
        QCOMPARE(server.notified().size(), 1);
        const FakeNotificationServer::Notified group = server.notified().at(0);
        QCOMPARE(group.summary, u"5 mensagens novas em ana@exemplo.pt"_s);
        QCOMPARE(group.body, u"Remetente 5: Assunto 5\nRemetente 4: Assunto 4\n"
                             "Remetente 3: Assunto 3\ne mais 2"_s);
        QCOMPARE(group.actions, (QStringList{u"default"_s, u"Abrir"_s, u"archive"_s, u"Arquivar"_s,
                                             u"mark-read"_s, u"Marcar como lidas"_s}));

        // Its click opens the inbox; its buttons take every conversation.
        server.click(group.id);
        server.click(group.id, u"archive"_s);
        server.click(group.id, u"mark-read"_s);
        QTRY_COMPARE_WITH_TIMEOUT(m_acted.size(), 2, 10000);
        QCOMPARE(m_opened, QStringList(u"ana@exemplo.pt  (GUI)"_s));
        QCOMPARE(m_acted.at(0), u"ana@exemplo.pt archive t-m4,t-m3,t-m2,t-m1"_s);
        QCOMPARE(m_acted.at(1), u"ana@exemplo.pt read t-m4,t-m3,t-m2,t-m1"_s);

        // The same messages in another order are the same notification; a
        // single message is announced as before.
        std::reverse(five.begin(), five.end());
        poster->postNewMessages(ana, five);
        poster->postNewMessages(rui, {message(u"m9"_s)});
        QVERIFY(server.waitForNotified(3));
        QCOMPARE(server.notified().at(1).replacesId, group.id);
        QCOMPARE(server.notified().at(2).summary, u"Rui \u00B7 rui@exemplo.pt"_s);
        QCOMPARE(server.notified().at(2).actions.last(), u"Marcar como lida"_s);
    }

    void withdrawnOnceItsMessagesAreRead()
    {
        FakeNotificationServer server;
        const auto poster = makePoster();
        poster->postNewMessages(ana, {message(u"m1"_s), message(u"m2"_s)});
        poster->postNewMessage(ana, message(u"m3"_s));
        poster->postNewMessage(rui, message(u"m1"_s));
        QVERIFY(server.waitForNotified(3));
        QVERIFY(settled(*poster));
        const uint group = server.notified().at(0).id;
        const uint single = server.notified().at(1).id;
        QStringList announced = poster->announcedMessages(ana.email);
        announced.sort();
        QCOMPARE(announced, (QStringList{u"m1"_s, u"m2"_s, u"m3"_s}));

        // One of two read: the notification still has news.
        poster->withdrawMessages(ana.email, {u"m1"_s});
        QVERIFY(settled(*poster));
        QVERIFY(server.closedByClient().isEmpty());
        std::unique_ptr<QThread> worker(QThread::create([&] {
            poster->withdrawMessages(ana.email, {u"m2"_s, u"m3"_s, u"elsewhere"_s});
        }));
        worker->start();
        QVERIFY(server.waitForClosedByClient(group));
        QVERIFY(server.waitForClosedByClient(single));
        QVERIFY(worker->wait(60000));
        QVERIFY(settled(*poster));
        QCOMPARE(server.closedByClient().size(), 2); // not Rui's "m1"
        QVERIFY(poster->announcedMessages(ana.email).isEmpty());
        QCOMPARE(poster->announcedMessages(rui.email), QStringList(u"m1"_s));
        server.click(group, u"archive"_s); // withdrawn and forgotten
        QVERIFY(settled(*poster));
        QVERIFY(m_acted.isEmpty());

        // Read while its Notify was on its way: closed once it has an id.
        poster->postNewMessage(ana, message(u"m4"_s));
        poster->withdrawMessages(ana.email, {u"m4"_s});
        QVERIFY(server.waitForNotified(4));
        QVERIFY(server.waitForClosedByClient(server.notified().at(3).id));

        // Read while the server was still asked what it shows: never shown.
        const auto fresh = makePoster();
        fresh->postNewMessage(ana, message(u"m5"_s));
        fresh->withdrawMessages(ana.email, {u"m5"_s});
        QVERIFY(settled(*fresh));
        QVERIFY(settled(*fresh));
        QCOMPARE(server.notified().size(), 4);
    }

    void actionsChangeTheMailWithoutTheWindow()
    {
        FakeNotificationServer server;
        AppWorld world;
        fakegoogle::FakeGoogle& google = world.rig.google();

        // Archived from the notification: through the journal, undoable,
        // and the notification goes; the window's selection stays.
        const fakegoogle::MessageRef bill = world.arrive({u"Fatura de março"_s}).at(0);
        QVERIFY(server.waitForNotified(1));
        const uint billId = server.notified().at(0).id;
        world.app->selectLabel(u"SENT"_s);
        server.click(billId, u"archive"_s);
        QTRY_VERIFY_LONG(!google.labelIds(ana.email, bill.id).contains(u"INBOX"_s));
        QVERIFY(server.waitForClosedByClient(billId));
        QVERIFY(world.app->undoOffer().isOffered());
        QCOMPARE(world.app->selectedLabelId(), u"SENT"_s);

        // Three in one sync: one notification, whose button reads them all
        // and whose click opens the inbox.
        const QList<fakegoogle::MessageRef> three = world.arrive({u"Um"_s, u"Dois"_s, u"Três"_s});
        QVERIFY(server.waitForNotified(2));
        QVERIFY(settled(*world.poster));
        QCOMPARE(server.notified().size(), 2);
        const FakeNotificationServer::Notified group = server.notified().at(1);
        QCOMPARE(group.summary, u"3 mensagens novas em ana@exemplo.pt"_s);
        server.click(group.id);
        QTRY_COMPARE_LONG(world.app->selectedLabelId(), u"INBOX"_s);
        QVERIFY(world.app->selectedThreadIds().isEmpty());
        server.click(group.id, u"mark-read"_s);
        for (const fakegoogle::MessageRef& message : three)
            QTRY_VERIFY_LONG(!google.labelIds(ana.email, message.id).contains(u"UNREAD"_s));
        QVERIFY(server.waitForClosedByClient(group.id));

        // Read on another device, then in the window.
        const fakegoogle::MessageRef phone = world.arrive({u"Lida no telemóvel"_s}).at(0);
        QVERIFY(server.waitForNotified(3));
        QVERIFY(google.modifyMessage(ana.email, phone.id, {}, {u"UNREAD"_s}));
        awaitTask(world.session->syncNow());
        QVERIFY(server.waitForClosedByClient(server.notified().at(2).id));
        const fakegoogle::MessageRef here = world.arrive({u"Lida aqui"_s}).at(0);
        QVERIFY(server.waitForNotified(4));
        awaitTask(world.session->openThread(here.threadId));
        QVERIFY(server.waitForClosedByClient(server.notified().at(3).id));
        QCOMPARE(server.closedByClient().size(), 4);
    }

    void realServerOffersAndRunsTheActions()
    {
        // dunst's context menu asks a menu program for the action: ours
        // keeps the menu and picks "Arquivar".
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString menu = dir.filePath(u"menu.txt"_s);
        const QString pick = dir.filePath(u"pick.sh"_s);
        QVERIFY(
            writeFile(pick, "#!/bin/sh\ntee '" + menu.toUtf8() + "' | grep -m1 -F 'Arquivar'\n"));
        QVERIFY(
            QFile::setPermissions(pick, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString config = dir.filePath(u"dunstrc"_s);
        QVERIFY(writeFile(config, "[global]\n    dmenu = " + pick.toUtf8() +
                                      "\n    timeout = 0\n    notification_limit = 0\n"));
        QProcess dunst;
        dunst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        dunst.start(u"dunst"_s, {u"-config"_s, config});
        if (!dunst.waitForStarted(10000))
            QSKIP("dunst cannot start here");
        const bool serving = QTest::qWaitFor(
            [&] {
                return dunst.state() == QProcess::Running &&
                       QDBusConnection::sessionBus().interface()->isServiceRegistered(
                           u"org.freedesktop.Notifications"_s);
            },
            10000);
        if (!serving) {
            dunst.kill();
            dunst.waitForFinished();
            QSKIP("dunst did not start serving notifications (no display?)");
        }

        {
            AppWorld world;
            QVERIFY(QCoro::waitFor(world.poster->requestAuthorization()));
            const fakegoogle::MessageRef bill = world.arrive({u"Fatura"_s}).at(0);
            QTRY_COMPARE_LONG(dunstCount(), 1);
            QCOMPARE(dunstctl({u"context"_s}), 0);
            QTRY_VERIFY_LONG(!world.rig.google().labelIds(ana.email, bill.id).contains(u"INBOX"_s));
            QTRY_COMPARE_LONG(dunstCount(), 0);
            QVERIFY(readFile(menu).contains("Marcar como lida"));
        }
        dunst.terminate();
        QVERIFY(dunst.waitForFinished(10000));
    }

    void deliveredBookStaysBoundedAndConsistent()
    {
        const auto info = [](const char* thread) {
            const QString id = QString::fromLatin1(thread);
            return NotificationUserInfo{u"a@x.pt"_s, id, {u"m"_s}, {id}};
        };
        DeliveredNotifications book(2);
        book.remember(0, u"zero"_s, info("t0")); // 0 is never a notification
        book.remember(1, u"a"_s, info("t1"));
        book.remember(2, u"b"_s, info("t2"));
        book.remember(3, u"c"_s, info("t3")); // full: the oldest goes
        QCOMPARE(book.size(), 2);
        QCOMPARE(book.serverId(u"zero"_s), 0u);
        QCOMPARE(book.serverId(u"a"_s), 0u);
        QVERIFY(!book.userInfo(1));
        QCOMPARE(book.userInfo(3), info("t3"));

        // A replacement under a new number, and a number reused for another
        // identifier, leave no stale pairing behind.
        book.remember(4, u"b"_s, info("t2b"));
        QVERIFY(!book.userInfo(2));
        QCOMPARE(book.serverId(u"b"_s), 4u);
        book.remember(4, u"d"_s, info("t4"));
        QCOMPARE(book.serverId(u"b"_s), 0u);
        QCOMPARE(book.serverId(u"d"_s), 4u);
        QCOMPARE(book.size(), 2);

        // Forgotten entries leave room; the order of the rest is kept.
        book.forget(3);
        book.remember(5, u"e"_s, info("t5"));
        book.remember(6, u"f"_s, info("t6"));
        QCOMPARE(book.serverId(u"d"_s), 0u);
        QCOMPARE(book.serverId(u"e"_s), 5u);
        QCOMPARE(book.serverId(u"f"_s), 6u);

        // What is announced leaves with its entry. (Withdrawing, message by
        // message and account by account: withdrawnOnceItsMessagesAreRead.)
        book.remember(7, u"g"_s, NotificationUserInfo{u"a@x.pt"_s, {}, {u"x"_s, u"y"_s}, {}});
        QStringList announced = book.announced(u"a@x.pt"_s); // the oldest, "e", is gone
        announced.sort();
        QCOMPARE(announced, (QStringList{u"m"_s, u"x"_s, u"y"_s}));
    }
};

QTEST_GUILESS_MAIN(TestNotificationPoster)
#include "tst_notificationposter.moc"
