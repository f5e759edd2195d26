// The cache file when the program dies at any moment: a process changes a
// large store step after step (mailstore_churn) and is killed with SIGKILL at
// random moments, many times over; every time, "cache.json" must decode to
// the state of one of the steps, and the next run must go on from it.

#include "model/MailJson.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace vesk;

namespace {

constexpr int s_blocks = 40; // as mailstore_churn writes them
constexpr int s_blockSize = 100;

/// The subject that step `step` leaves on message `index`.
qint64 writtenAt(int index, qint64 step)
{
    const int block = index / s_blockSize;
    if (step < block)
        return 0;
    // The last step t <= step with t % blocks == block, or step 0 that filled it.
    return step - ((step - block) % s_blocks);
}

} // namespace

class TestMailStoreCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWritersLeaveAStateThatWasCurrent()
    {
        QTemporaryDir base;
        QVERIFY(base.isValid());
        const QString email = u"ana@exemplo.pt"_s;
        const QString cachePath = base.filePath(email + u"/cache.json"_s);
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);

        qint64 lastSeen = -1; // the newest step found on disk so far
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(MAILSTORE_CHURN), {base.path(), email});
            QVERIFY(writer.waitForStarted(60000));
            // Let it take a random number of steps, then kill it in the middle
            // of whatever it is doing.
            const int steps = 1 + int(random.bounded(4));
            for (int taken = 0; taken < steps;) {
                if (writer.canReadLine()) {
                    writer.readLine();
                    ++taken;
                } else {
                    QVERIFY2(writer.waitForReadyRead(120000), "the writer stopped stepping");
                }
            }
            writer.kill();
            QVERIFY(writer.waitForFinished(60000));

            QFile file(cachePath);
            if (!file.exists()) {
                // The empty store of the start was current too, but only then.
                QCOMPARE(lastSeen, -1);
                continue;
            }
            QVERIFY(file.open(QIODevice::ReadOnly));
            QString error;
            const std::optional<MailStoreState> state =
                MailJson::decodeCache(file.readAll(), &error);
            QVERIFY2(state, qPrintable(error));
            QCOMPARE(state->summaries.size(), s_blocks * s_blockSize);
            qint64 step = 0;
            for (const MessageSummary& summary : state->summaries)
                step = std::max(step, summary.subject().toLongLong());
            for (const MessageSummary& summary : state->summaries) {
                const int index = summary.id().mid(1).toInt();
                QCOMPARE(summary.subject().toLongLong(), writtenAt(index, step));
                QCOMPARE(summary.snippet(), QString(200, u'ç'));
            }
            // Nothing on disk goes back in time.
            QVERIFY(step >= lastSeen);
            lastSeen = step;
        }
    }
};

QTEST_GUILESS_MAIN(TestMailStoreCrash)
#include "tst_mailstorecrash.moc"
