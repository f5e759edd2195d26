// The journal of changes waiting for Gmail, and how the cache shows them:
// on disk before record() returns, whatever kills the program; a file that
// is not ours set aside, never read in part; pending changes on top of
// whatever a synchronisation brings, until one that began after they were
// sent has finished.

#include "TestFiles.h"
#include "model/ChangeJournal.h"
#include "model/MailStore.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

namespace {

MessageSummary message(const QString& id, const QString& thread, QStringList labels)
{
    return MessageSummary(id, thread, std::move(labels), {}, {}, {}, u"Assunto"_s, 1);
}

QStringList labelsOf(const MailStore& store, const QString& id)
{
    const MessageSummary* summary = store.snapshot().summaries.find(id);
    return summary ? summary->labelIds() : QStringList{u"(em falta)"_s};
}

} // namespace

class TestChangeJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsChangesAcrossRestartsPrivately()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"conta/journal.json"_s);
        quint64 starId = 0;
        {
            ChangeJournal journal(path);
            bool written = false;
            const PendingChange star = journal.record(
                PendingChange::labels(QStringList(u"t1"_s), {u"STARRED"_s}, {}), &written);
            QVERIFY(written);
            starId = star.id;
            journal.record(PendingChange::trash(QStringList(u"t2"_s)));
            journal.record(PendingChange::untrash(QStringList(u"t3"_s)));
            journal.remove(starId);
        }
        QCOMPARE(QFile::permissions(path) & 0x0077, QFileDevice::Permissions());
        ChangeJournal reopened(path);
        QVERIFY(!reopened.damagedFile());
        QCOMPARE(reopened.changes().size(), 2);
        QCOMPARE(reopened.changes().at(0).kind, PendingChange::Kind::Trash);
        QCOMPARE(reopened.changes().at(0).remove, QStringList({u"INBOX"_s, u"SPAM"_s}));
        QCOMPARE(reopened.changes().at(1).kind, PendingChange::Kind::Untrash);
        // Ids never come back, even after the newest change left.
        QVERIFY(reopened.record(PendingChange::trash(QStringList(u"t4"_s))).id >
                reopened.changes().at(1).id);
        QVERIFY(reopened.changes().at(0).id > starId);
    }

    void setsAsideWhatIsNotAJournal_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray change =
            R"({"id":1,"kind":"labels","thread":"t","add":[],"remove":["INBOX"],"subject":"",)"
            R"("made":""})";
        const auto with = [&](const char* from, const char* to) {
            return QByteArray(change).replace(from, to);
        };
        const auto journal = [](int next, const QByteArray& changes) -> QByteArray {
            return R"({"version":1,"next":)" + QByteArray::number(next) + R"(,"changes":[)" +
                   changes + "]}";
        };
        QTest::addRow("garbage") << QByteArray("\x00\xff{{", 4);
        QTest::addRow("truncated") << journal(2, change).chopped(2);
        QTest::addRow("other version") << journal(2, {}).replace("\"version\":1", "\"version\":2");
        QTest::addRow("unknown kind") << journal(2, with("labels", "burn"));
        QTest::addRow("id not below next") << journal(1, change);
        QTest::addRow("fraction id") << journal(9, with("\"id\":1", "\"id\":1.5"));
        QTest::addRow("label not text") << journal(2, with("[\"INBOX\"]", "[7]"));
        QTest::addRow("no thread") << journal(2, with("\"t\"", "\"\""));
    }

    void setsAsideWhatIsNotAJournal()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"journal.json"_s);
        QVERIFY(writeFile(path, bytes));

        ChangeJournal journal(path);
        QVERIFY(journal.isEmpty());
        QCOMPARE(journal.damagedFile(), std::optional(path + u".damaged-1"_s));
        QCOMPARE(readFile(*journal.damagedFile()), bytes);
        // Recording starts a sound journal beside it.
        journal.record(PendingChange::trash(QStringList(u"t"_s)));
        QCOMPARE(ChangeJournal(path).changes().size(), 1);
    }

    void killedWritersLoseAtMostTheChangeInFlight()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"journal.json"_s);
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        QStringList confirmed;
        for (int round = 0; round < 20; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(STORE_WRITER), {u"journal"_s, path});
            QVERIFY(writer.waitForStarted(60000));
            for (int steps = 1 + int(random.bounded(6)); steps > 0;) {
                if (!writer.canReadLine()) {
                    QVERIFY2(writer.waitForReadyRead(60000), "the writer stopped writing");
                    continue;
                }
                confirmed.append(QString::fromLatin1(writer.readLine().trimmed()));
                --steps;
            }
            QTest::qWait(int(random.bounded(5)));
            writer.kill();
            writer.waitForFinished();
            confirmed.append(
                QString::fromLatin1(writer.readAll()).split(u'\n', Qt::SkipEmptyParts));

            ChangeJournal journal(path);
            QVERIFY2(!journal.damagedFile(), "a killed write left a file that does not decode");
            // Every confirmed change is there in order, and at most one more:
            // the one in flight.
            const qsizetype n = journal.changes().size();
            QVERIFY2(n == confirmed.size() || n == confirmed.size() + 1,
                     qPrintable(u"%1 on disk, %2 confirmed"_s.arg(n).arg(confirmed.size())));
            for (qsizetype i = 0; i < n; ++i)
                QCOMPARE(journal.changes().at(i).threadIds, QStringList(u"t%1"_s.arg(i)));
            if (n > confirmed.size())
                confirmed.append(journal.changes().last().threadIds.constFirst());
        }
    }

    void pendingChangesStayOnTopOfWhatGoogleSays()
    {
        MailStore store(u"ana@exemplo.pt"_s, QString());
        store.upsert({message(u"a"_s, u"t1"_s, {u"INBOX"_s, u"UNREAD"_s}),
                      message(u"b"_s, u"t1"_s, {u"INBOX"_s}),
                      message(u"c"_s, u"t2"_s, {u"INBOX"_s, u"STARRED"_s})});
        PendingChange archive = PendingChange::labels(QStringList(u"t1"_s), {}, {u"INBOX"_s});
        archive.id = 1;
        PendingChange trash = PendingChange::trash(QStringList(u"t2"_s));
        trash.id = 2;
        store.addPendingChanges({archive, trash});
        QCOMPARE(labelsOf(store, u"a"_s), QStringList{u"UNREAD"_s});
        // The trash is listed only there, as Gmail lists it.
        QVERIFY(store.summaries(u"STARRED"_s).isEmpty());
        QCOMPARE(store.summaries(u"TRASH"_s).size(), 1);

        // A synchronisation that began before the archive went brings the
        // thread as it was: the change stays on top.
        const quint64 before = store.pendingStamp();
        store.markChangeSent(archive.id);
        store.upsert({message(u"a"_s, u"t1"_s, {u"INBOX"_s, u"UNREAD"_s})});
        store.settlePendingChanges(before);
        store.upsert({message(u"a"_s, u"t1"_s, {u"INBOX"_s})});
        QCOMPARE(labelsOf(store, u"a"_s), QStringList());
        // One that began after it was sent settles it: Google's word stands.
        store.settlePendingChanges(store.pendingStamp());
        store.upsert({message(u"a"_s, u"t1"_s, {u"IMPORTANT"_s})});
        QCOMPARE(labelsOf(store, u"a"_s), QStringList{u"IMPORTANT"_s});

        // Refused: undone at once, but not back into the spam.
        store.dropPendingChange(trash.id, true);
        QCOMPARE(labelsOf(store, u"c"_s), QStringList({u"STARRED"_s, u"INBOX"_s}));
        QCOMPARE(store.pendingChanges(), QList<PendingChange>());
    }
};

QTEST_GUILESS_MAIN(TestChangeJournal)
#include "tst_changejournal.moc"
