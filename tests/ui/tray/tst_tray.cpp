#include "Composition.h"
#include "FakeNotificationServer.h"
#include "UiRig.h"
#include "compose/ComposerSession.h"
#include "platform/Autostart.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/ComposerView.h"
#include "ui/composer/ComposerWindow.h"
#include "ui/dialogs/SettingsWindow.h"
#include "ui/tray/TrayBadge.h"
#include "ui/tray/TrayIcon.h"
#include "ui/tray/TrayPresence.h"
#include "ui/window/MainActions.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

namespace {

const QString watcherName = u"org.kde.StatusNotifierWatcher"_s;

/// A panel's tray as Qt looks for it: the watcher that StatusNotifierItems
/// register with, saying a host shows them. Qt asks it with blocking calls
/// from the GUI thread, so it answers from a thread of its own.
class TrayWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered CONSTANT)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion CONSTANT)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items NOTIFY itemsChanged)

public:
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const
    {
        const QMutexLocker locker(&m_lock);
        return m_items;
    }

signals:
    void itemsChanged();

public slots:
    void RegisterStatusNotifierItem(const QString& service)
    {
        {
            const QMutexLocker locker(&m_lock);
            m_items.append(service);
        }
        emit itemsChanged();
    }
    void RegisterStatusNotifierHost(const QString&) {}

public:
    void clear()
    {
        const QMutexLocker locker(&m_lock);
        m_items.clear();
    }

private:
    mutable QMutex m_lock;
    QStringList m_items;
};

QDBusConnection bus()
{
    return QDBusConnection::sessionBus();
}

/// The red of the badge in the top-right corner of `icon` drawn 32 pixels square.
bool showsBadge(const QIcon& icon)
{
    const QColor corner = icon.pixmap(32, 32).toImage().pixelColor(28, 6);
    return corner.red() > 200 && corner.green() < 120 && corner.alpha() > 200;
}

/// The program's event loop run with `fire` called from it: its exit code,
/// 1 when nothing ended it in a generous while.
template <typename Fire>
int execWith(Fire fire)
{
    QObject guard;
    QTimer::singleShot(0, &guard, fire);
    QTimer::singleShot(20000, &guard, [] { QCoreApplication::exit(1); });
    return QApplication::exec();
}

QStringList summaries(const FakeNotificationServer& server)
{
    return valuesOf(server.notified(), &FakeNotificationServer::Notified::summary);
}

QStringList subjects(const RecordingNotificationPoster& poster)
{
    return valuesOf(poster.posted(), [](const auto& posted) { return posted.summary.subject(); });
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

    // The desktop's services, on a connection and a thread of their own.
    QThread m_servicesThread;
    QDBusConnection m_services{QString()};
    TrayWatcher m_watcher;
    FakeNotificationServer m_notifications;
    std::optional<UiRig> m_rig;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<TrayPresence> m_tray;

    void startWatcher()
    {
        m_watcher.clear();
        QVERIFY(m_services.registerService(watcherName));
    }

    void stopWatcher() { QVERIFY(m_services.unregisterService(watcherName)); }

    /// The program as main() puts it together, over a state whose accounts
    /// sync every `interval`.
    void compose(std::chrono::milliseconds interval = std::chrono::milliseconds(250))
    {
        AppServices services = m_rig->services();
        services.sessions.syncInterval = interval;
        m_state = std::make_unique<AppState>(std::move(services));
        m_window = std::make_unique<MainWindow>(
            *m_state, MainWindow::Columns{new QWidget, new QWidget, new QWidget},
            MainWindow::Windows{}, m_rig->rig.settings());
        m_tray = std::make_unique<TrayPresence>(*m_state, m_rig->rig.settings(), bus());
        connectTray(*m_tray, *m_window);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(bus().isConnected());
        m_servicesThread.start();
        m_watcher.moveToThread(&m_servicesThread);
        m_notifications.moveToThread(&m_servicesThread);
        m_services = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"desktop"_s);
        QVERIFY(m_services.isConnected());
        QVERIFY(m_services.registerObject(u"/StatusNotifierWatcher"_s, &m_watcher,
                                          QDBusConnection::ExportAllSlots |
                                              QDBusConnection::ExportAllProperties));
    }

    void cleanupTestCase()
    {
        m_services.unregisterObject(u"/StatusNotifierWatcher"_s);
        QDBusConnection::disconnectFromBus(u"desktop"_s);
        m_servicesThread.quit();
        m_servicesThread.wait();
    }

    void init() { m_rig.emplace(); }

    void cleanup()
    {
        if (bus().interface()->isServiceRegistered(watcherName).value())
            stopWatcher();
        if (m_state && !m_state->sessions().isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!m_state->sessions().first()->isSyncing(), 30000);
        m_tray.reset();
        m_window.reset();
        m_state.reset();
        m_rig.reset();
        QApplication::setQuitOnLastWindowClosed(true);
    }

    void closedWindowLeavesTheProgramSyncingInTheTrayUntilSair()
    {
        startWatcher();
        compose();
        QVERIFY(m_tray->isAvailable());
        QVERIFY(m_window->keepsRunningWhenClosed());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        TrayIcon* icon = m_tray->icon();
        QTRY_COMPARE_LONG(m_watcher.items().size(), 1);

        // The unread total, as the badge and the tooltip show it.
        m_rig->rig.deliver(ana, u"Primeira"_s);
        awaitTask(m_state->startAll());
        QTRY_COMPARE_LONG(icon->unread(), 1);
        QCOMPARE(icon->icon().toolTip(), u"VESK\n1 mensagem por ler"_s);
        QVERIFY(showsBadge(icon->icon().icon()));
        QVERIFY(icon->composeAction()->isEnabled());

        // Closed: hidden, not gone; the first time, the tray says so.
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QSignalSpy quitConfirmed(m_window.get(), &MainWindow::quitConfirmed);
        QVERIFY(m_window->close());
        QVERIFY(m_window->isHidden());
        QTRY_COMPARE_LONG(summaries(m_notifications), QStringList{u"O VESK continua aberto"_s});
        QCOMPARE(m_rig->rig.settings()->text(TrayPresence::noticeKey()), u"true"_s);

        // The periodic sync goes on, with its notification and the badge.
        m_rig->rig.deliver(ana, u"Segunda"_s);
        QTRY_VERIFY_LONG(subjects(m_rig->poster()).contains(u"Segunda"_s));
        QTRY_COMPARE_LONG(icon->unread(), 2);
        QCOMPARE(icon->icon().toolTip(), u"VESK\n2 mensagens por ler"_s);

        // "Abrir VESK" brings the window back; closing it again says nothing new.
        icon->openAction()->trigger();
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->close());
        QVERIFY(m_window->isHidden());
        QCOMPARE(quitConfirmed.size(), 0);

        // "Sair" ends the program's event loop, the window hidden or not.
        QCOMPARE(execWith([icon] { icon->quitAction()->trigger(); }), 0);
        QCOMPARE(quitConfirmed.size(), 1);
        QCOMPARE(m_notifications.notified().size(), 1);
    }

    void sairSavesWhatIsBeingWrittenFirst()
    {
        startWatcher();
        compose(std::chrono::minutes(1));
        awaitTask(m_state->startAll());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(m_window->close());

        // "Escrever" with the window hidden: the composer opens by itself.
        TrayIcon* icon = m_tray->icon();
        icon->composeAction()->trigger();
        QPointer<ComposerWindow> composer = m_window->composerWindow();
        QVERIFY(composer && composer->isVisible());
        QTest::keyClicks(composer->view()->toField()->input(), rui);
        QTest::keyClicks(composer->view()->subjectField(), u"Rascunho"_s);

        QSignalSpy quitConfirmed(m_window.get(), &MainWindow::quitConfirmed);
        const int exitCode = execWith([icon] { icon->quitAction()->trigger(); });
        const ComposerSession* left = composer ? composer->composer() : nullptr;
        const QString reason =
            left ? u"composer kept: unsaved %1, conflict %2"_s.arg(left->hasUnsavedEdits())
                       .arg(left->hasConflict())
                 : u"no composer kept"_s;
        QVERIFY2(exitCode == 0, qPrintable(reason));
        QCOMPARE(quitConfirmed.size(), 1);
        QCOMPARE(m_rig->google().draftIds(ana).size(), 1);
        QTRY_VERIFY(!composer);
    }

    void withoutATrayClosingEndsTheProgram()
    {
        compose();
        QVERIFY(!m_tray->isAvailable());
        QVERIFY(!m_window->keepsRunningWhenClosed());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QSignalSpy closedToBackground(m_window.get(), &MainWindow::closedToBackground);
        // Closing the window ends the program's event loop.
        QCOMPARE(execWith([this] { m_window->close(); }), 0);
        QVERIFY(m_window->isHidden());
        QCOMPARE(closedToBackground.size(), 0);

        // A panel started after the program: the icon comes, and closing
        // leaves the program running from then on.
        QSignalSpy availability(m_tray.get(), &TrayPresence::availabilityChanged);
        startWatcher();
        QTRY_COMPARE_LONG(availability.size(), 1);
        QVERIFY(m_tray->isAvailable());
        QVERIFY(m_window->keepsRunningWhenClosed());
        QTRY_COMPARE_LONG(m_watcher.items().size(), 1);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(m_window->close());
        QCOMPARE(closedToBackground.size(), 1);

        // The panel gone while the window is hidden: the window comes back,
        // rather than leave the program running out of reach.
        stopWatcher();
        QTRY_COMPARE_LONG(availability.size(), 2);
        QVERIFY(!m_tray->isAvailable());
        QVERIFY(m_window->isVisible());
        QVERIFY(QApplication::quitOnLastWindowClosed());
    }

    void startingWithTheSessionWritesAndRemovesTheEntry()
    {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString folder = Autostart::userFolder();
        QCOMPARE(folder, config.path() + u"/autostart"_s);
        const auto autostart = std::make_shared<const Autostart>(
            folder, u"app.orvendo.Vesk"_s,
            QStringList{u"/opt/Os meus programas/vesk"_s, u"--hidden"_s});
        m_state = std::make_unique<AppState>(m_rig->services());
        SettingsWindow settings(*m_state, m_rig->config, autostart);
        settings.show();
        auto* box = settings.findChild<QCheckBox*>(u"startWithSession"_s);
        QVERIFY(box);
        QVERIFY(!box->isChecked());

        box->click();
        QVERIFY(autostart->isEnabled());
        QFile entry(folder + u"/app.orvendo.Vesk.desktop"_s);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QByteArray text = entry.readAll();
        entry.close();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nExec=\"/opt/Os meus programas/vesk\" --hidden\n"));
        QVERIFY(text.contains("\nIcon=app.orvendo.Vesk\n"));

        // The session's own switch turned it off: the box says so when it opens.
        QVERIFY(entry.open(QIODevice::Append));
        entry.write("Hidden=true\n");
        entry.close();
        settings.hide();
        settings.show();
        QVERIFY(!box->isChecked());
        box->click();
        QVERIFY(autostart->isEnabled());

        box->click();
        QVERIFY(!entry.exists());
        QVERIFY(!autostart->isEnabled());

        // A folder that cannot be made: the reason shows and the box stays off.
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        box->click();
        QVERIFY(!box->isChecked());
        auto* error = settings.findChild<QLabel*>(u"startError"_s);
        QVERIFY(error->isVisible());
        QVERIFY(error->text().contains(folder));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void execLineArgumentsAreQuoted()
    {
        // A blank quoted: startingWithTheSessionWritesAndRemovesTheEntry.
        const auto quoted = &Autostart::execArgument;
        QCOMPARE(quoted(u"/usr/bin/vesk"_s), u"/usr/bin/vesk"_s);
        QCOMPARE(quoted(u"/opt/100%/vesk"_s), u"/opt/100%%/vesk"_s);
        QCOMPARE(quoted(u"/opt/\"$`\\/x"_s), u"\"/opt/\\\"\\$\\`\\\\/x\""_s);
        QCOMPARE(quoted(QString()), u"\"\""_s);
    }

    void badgeCountsAreShort()
    {
        QCOMPARE(TrayBadge::label(0), QString());
        QCOMPARE(TrayBadge::label(7), u"7"_s);
        QCOMPARE(TrayBadge::label(100), u"99+"_s);
        QPixmap transparent(32, 32);
        transparent.fill(Qt::transparent);
        const QIcon base(transparent);
        QVERIFY(!showsBadge(TrayBadge::icon(base, 0)));
        QVERIFY(showsBadge(TrayBadge::icon(base, 3)));
        QVERIFY(showsBadge(TrayBadge::icon(base, 1000)));
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
