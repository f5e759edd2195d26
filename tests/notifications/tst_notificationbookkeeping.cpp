#include "notifications/DeliveredNotifications.h"
#include "notifications/NotificationRouter.h"

#include <QTest>
#include <QThread>

#include <memory>

using namespace vesk;
using namespace Qt::StringLiterals;

class TestNotificationBookkeeping : public QObject
{
    Q_OBJECT

private slots:
    void routesClicksOnTheGuiThread()
    {
        NotificationRouter router;
        router.route(u"ana@x.pt"_s, u"t1"_s); // no callback yet: dropped

        QStringList opened;
        bool alwaysOnGuiThread = true;
        router.setOnOpen([&](const QString& account, const QString& thread) {
            alwaysOnGuiThread = alwaysOnGuiThread && QThread::currentThread() == qApp->thread();
            opened.append(account + u'/' + thread);
        });
        router.route(u"ana@x.pt"_s, u"t2"_s);
        QCOMPARE(opened, QStringList{u"ana@x.pt/t2"_s}); // already on the GUI thread: at once

        std::unique_ptr<QThread> worker(
            QThread::create([&router] { router.route(u"rui@x.pt"_s, u"t3"_s); }));
        worker->start();
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, 10000);
        worker->wait();
        QCOMPARE(opened.at(1), u"rui@x.pt/t3"_s);
        QVERIFY(alwaysOnGuiThread);
    }

    void deliveredBookStaysBoundedAndConsistent()
    {
        const auto info = [](const char* thread) {
            return NotificationUserInfo{u"a@x.pt"_s, QString::fromLatin1(thread), u"m"_s};
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
    }
};

QTEST_GUILESS_MAIN(TestNotificationBookkeeping)
#include "tst_notificationbookkeeping.moc"
