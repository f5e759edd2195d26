// A second start of the program raises the first one's window and leaves,
// on the private session bus and the Xvfb display the tests run in.

#include "X11Windows.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using vesk::test::X11Windows;
using namespace Qt::StringLiterals;

namespace {

const QString s_busName = u"app.orvendo.Vesk"_s;

/// The program as a user would start it, with a home of its own.
void startVesk(QProcess& process, const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    for (const QString& name : {u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_CACHE_HOME"_s})
        env.remove(name);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    // No GL driver: the sanitizer build would count what one leaves behind
    // when it is unloaded at exit.
    env.insert(u"QT_XCB_GL_INTEGRATION"_s, u"none"_s);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral(VESK_BINARY), QStringList());
}

uint busOwnerPid()
{
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(s_busName);
    return pid.isValid() ? pid.value() : 0;
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

public:
    // Windows of other processes are visible only through the X server.
    static void initMain() { qputenv("QT_QPA_PLATFORM", "xcb"); }

private Q_SLOTS:
    void secondStartRaisesTheFirstAndLeaves()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the tests need a session bus");
        QTemporaryDir home;
        QVERIFY(home.isValid());

        QDBusServiceWatcher watcher(s_busName, QDBusConnection::sessionBus(),
                                    QDBusServiceWatcher::WatchForRegistration);
        QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
        QProcess first;
        startVesk(first, home.path());
        QVERIFY(first.waitForStarted());
        QVERIFY(registered.wait(120000));
        QCOMPARE(busOwnerPid(), uint(first.processId()));
        QTRY_VERIFY_WITH_TIMEOUT(X11Windows::topWindowOf(first.processId()).has_value(), 120000);
        const std::uint32_t window = *X11Windows::topWindowOf(first.processId());

        // Another window covers the program's.
        QWidget cover;
        cover.resize(400, 300);
        cover.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        const auto coverId = std::uint32_t(cover.winId());
        QTRY_VERIFY(X11Windows::stackingIndex(coverId) > X11Windows::stackingIndex(window));

        QProcess second;
        startVesk(second, home.path());
        QVERIFY(second.waitForFinished(120000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(
            X11Windows::stackingIndex(window) > X11Windows::stackingIndex(coverId), 30000);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(busOwnerPid(), uint(first.processId()));

        first.terminate();
        QVERIFY(first.waitForFinished(60000));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
