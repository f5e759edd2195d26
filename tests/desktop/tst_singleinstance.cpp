// Two starts of the program on the private session bus, each with its own
// connection: the first owns the name, a later one hands over the addresses
// it was started with (or only asks for the window) and leaves.

#include "platform/SingleInstance.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace vesk;
using namespace Qt::StringLiterals;

namespace {

// Not the program's own name: tst_programs may own that meanwhile.
const QString s_service = u"app.orvendo.VeskTest.SingleInstance"_s;
const QString s_path = u"/app/orvendo/VeskTest"_s;

/// What a later start on a connection of its own claims. It blocks until
/// the owner answers, so it runs on a thread while this one answers.
SingleInstance::Claim claimElsewhere(const QString& connection, const QStringList& uris)
{
    SingleInstance::Claim claim = SingleInstance::Claim::Unguarded;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        SingleInstance later(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection),
                             s_service, s_path);
        claim = later.claim(uris);
    }));
    thread->start();
    while (!thread->wait(10))
        QCoreApplication::processEvents();
    QDBusConnection::disconnectFromBus(connection);
    return claim;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void laterStartsHandOverAndLeave()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "the tests need a session bus");
        SingleInstance first(QDBusConnection::sessionBus(), s_service, s_path);
        QCOMPARE(first.claim(), SingleInstance::Claim::Owner);
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        QSignalSpy opened(&first, &SingleInstance::openRequested);

        const QStringList uris{u"mailto:ana@x.pt,rui@y.pt?subject=Ol%C3%A1"_s, u"mailto:c@z.pt"_s};
        QCOMPARE(claimElsewhere(u"second"_s, uris), SingleInstance::Claim::ActivatedOther);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).at(0).toStringList(), uris);
        QCOMPARE(activated.size(), 1);

        // Started without an address: the window comes forward, nothing opens.
        QCOMPARE(claimElsewhere(u"third"_s, {}), SingleInstance::Claim::ActivatedOther);
        QCOMPARE(activated.size(), 2);
        QCOMPARE(opened.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
