#include "model/CachePreload.h"
#include "model/MailJson.h"
#include "model/MailStore.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

using namespace vesk;

namespace {

const QString inbox = QStringLiteral("INBOX");
const QString unread = QStringLiteral("UNREAD");

MessageSummary summary(const QString& id, qint64 ms, QStringList labels = {inbox})
{
    return MessageSummary{id,
                          QStringLiteral("t-") + id,
                          std::move(labels),
                          QStringLiteral("Olá &amp; até já"),
                          QStringLiteral("Zé"),
                          QStringLiteral("ze@exemplo.pt"),
                          QStringLiteral("Reunião"),
                          ms};
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

mode_t modeOf(const QString& path)
{
    struct stat info
    {
    };
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

QStringList filesUnder(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}

} // namespace

class TestMailStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_base;
    const QString m_email = QStringLiteral("zé+teste@gmail.com");

    QString base() const { return m_base->path(); }
    QString cachePath() const { return base() + u'/' + m_email + QStringLiteral("/cache.json"); }

private slots:
    void init() { m_base = std::make_unique<QTemporaryDir>(); }

    void stateSurvivesANewStore()
    {
        {
            MailStore store(m_email, base());
            // Fresh, it is empty and writes nothing until it changes.
            QCOMPARE(store.snapshot(), MailStore::State{});
            QVERIFY(QFileInfo(base() + u'/' + m_email).isDir());
            QVERIFY(!QFile::exists(cachePath()));
            store.setLabels({LabelInfo{QStringLiteral("Label_9"), QStringLiteral("Ñ"),
                                       QStringLiteral("user"), 12, 3},
                             LabelInfo{inbox, inbox, QStringLiteral("system"), 1, 0}});
            store.upsert({summary(QStringLiteral("a"), 1), summary(QStringLiteral("b"), 2)});
            store.markLabelLoaded(inbox);
            store.setHistoryId(QStringLiteral("98765"));
        }
        MailStore::State expected;
        {
            MailStore store(m_email, base());
            expected = store.snapshot();
        }
        QCOMPARE(expected.historyId, QStringLiteral("98765"));
        QCOMPARE(expected.summaries.size(), 2);
        QCOMPARE(expected.labels.first().id, QStringLiteral("Label_9"));
        QCOMPARE(expected.loadedLabels, QSet<QString>{inbox});
        QVERIFY(expected.lastSync);
        QVERIFY(qAbs(expected.lastSync->secsTo(QDateTime::currentDateTimeUtc())) < 600);
    }

    void unreadableCacheGivesEmptyStateAndIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("contents");
        MailStore::State state;
        state.historyId = QStringLiteral("5");
        state.summaries.insert(summary(QStringLiteral("a"), 1));
        const QByteArray valid = MailJson::encodeCache(state);
        QTest::newRow("not json") << QByteArray("não é json");
        QTest::newRow("truncated") << valid.left(valid.size() / 2);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("no loadedLabels")
            << QByteArray(R"({"historyId":"","summaries":{},"labels":[]})");
        QTest::newRow("historyId as number")
            << QByteArray(R"({"historyId":5,"summaries":{},"labels":[],"loadedLabels":[]})");
        QTest::newRow("lastSync as text") << QByteArray(
            R"({"historyId":"","summaries":{},"labels":[],"loadedLabels":[],"lastSync":"ontem"})");
    }

    void unreadableCacheGivesEmptyStateAndIsLeftAlone()
    {
        QFETCH(QByteArray, contents);
        QDir().mkpath(base() + u'/' + m_email);
        writeFile(cachePath(), contents);

        MailStore store(m_email, base());
        QCOMPARE(store.snapshot(), MailStore::State{});
        QCOMPARE(readFile(cachePath()), contents);

        store.markLabelLoaded(inbox);
        QCOMPARE(MailStore(m_email, base()).snapshot().loadedLabels, QSet<QString>{inbox});
    }

    void cachesReadAheadOpenAsTheirFiles()
    {
        {
            MailStore store(m_email, base());
            store.upsert({summary(QStringLiteral("a"), 1)});
            store.setHistoryId(QStringLiteral("7"));
        }
        // The largest cache is left to its own store.
        const QString large = QStringLiteral("grande@x.pt");
        MailStore(large, base())
            .upsert({summary(QStringLiteral("g1"), 1), summary(QStringLiteral("g2"), 2),
                     summary(QStringLiteral("g3"), 3)});
        const QString absent = QStringLiteral("ninguem@x.pt");
        CachePreload preload({m_email, large, absent, QStringLiteral("..")}, base());
        QVERIFY(!preload.take(large));
        QCOMPARE(MailStore(large, base()).summaryCount(), 3);
        {
            MailStore store(m_email, base(), systemWallClock(), preload.take(m_email));
            QCOMPARE(store.snapshot().historyId, QStringLiteral("7"));
            QCOMPARE(store.summaryCount(), 1);
            // Once only; a later store of the account reads its file.
            QVERIFY(!preload.take(m_email));
            store.upsert({summary(QStringLiteral("b"), 2)});
        }
        const std::optional<MailStore::ReadAhead> missing = preload.take(absent);
        QVERIFY(missing && !missing->state);
        QVERIFY(!preload.take(QStringLiteral("outro@x.pt")));
        QVERIFY(filesUnder(base()).size() == 2);

        // Read ahead while another store of the file still had a change to
        // write: the newer file wins over what was read.
        CachePreload stale({m_email, large}, base());
        std::optional<MailStore::ReadAhead> early = stale.take(m_email);
        QCOMPARE(early->state->summaries.size(), 2);
        MailStore open(m_email, base());
        open.upsert({summary(QStringLiteral("c"), 3)});
        MailStore again(m_email, base(), systemWallClock(), std::move(early));
        QCOMPARE(again.summaryCount(), 3);
    }

    void optionalLastSyncAndUnknownKeys()
    {
        QDir().mkpath(base() + u'/' + m_email);
        writeFile(cachePath(),
                  R"({"historyId":"7","summaries":{},"labels":[],"loadedLabels":["X"],)"
                  R"("lastSync":null,"future":[1,{"a":2}]})");
        const MailStore::State state = MailStore(m_email, base()).snapshot();
        QCOMPARE(state.historyId, QStringLiteral("7"));
        QVERIFY(!state.lastSync);

        writeFile(cachePath(), R"({"historyId":"7","summaries":{},"labels":[],"loadedLabels":[],)"
                               R"("lastSync":786000000.25})");
        const auto lastSync = MailStore(m_email, base()).snapshot().lastSync;
        QCOMPARE(lastSync, QDateTime(QDate(2025, 11, 28), QTime(5, 20, 0, 250), Qt::UTC));
    }

    void mutationsReplaceWholesale()
    {
        MailStore store(m_email, base());
        store.upsert({summary(QStringLiteral("old"), 10, {inbox, unread}),
                      summary(QStringLiteral("new"), 30),
                      summary(QStringLiteral("mid"), 20, {QStringLiteral("SENT")}),
                      summary(QStringLiteral("mid"), 20)});
        store.upsert({summary(QStringLiteral("old"), 10, {inbox})});

        const QList<MessageSummary> listed = store.summaries(inbox);
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed[0].id(), QStringLiteral("new"));
        QCOMPARE(listed[2].id(), QStringLiteral("old"));
        QVERIFY(store.summaries(unread).isEmpty());
        QVERIFY(store.summaries(QStringLiteral("SENT")).isEmpty());
        QVERIFY(store.summaries(QStringLiteral("inbox")).isEmpty());

        // Removing unknown ids still rewrites the file.
        QFile::remove(cachePath());
        store.removeMessages({QStringLiteral("nope")});
        QCOMPARE(MailStore(m_email, base()).snapshot().summaries.size(), 3);
        store.removeMessages({QStringLiteral("new"), QStringLiteral("old")});
        QCOMPARE(MailStore(m_email, base()).snapshot().summaries.keys(),
                 QList<QString>{QStringLiteral("mid")});

        store.setLabels({LabelInfo{inbox, inbox, QStringLiteral("system"), 0, 0}});
        store.setLabels({});
        QVERIFY(MailStore(m_email, base()).snapshot().labels.isEmpty());

        store.wipe();
        QCOMPARE(store.snapshot(), MailStore::State{});
        QVERIFY(!QFile::exists(cachePath()));
        QVERIFY(QFileInfo(base() + u'/' + m_email).isDir());

        // Sync work of the removed account that was still in flight lands now.
        store.setHistoryId(QStringLiteral("99"));
        store.setLabels({LabelInfo{inbox, inbox, QStringLiteral("system"), 1, 1}});
        store.markLabelLoaded(inbox);
        store.upsert({summary(QStringLiteral("b"), 2)});
        store.removeMessages({QStringLiteral("mid")});
        QVERIFY(!QFile::exists(cachePath()));
        QCOMPARE(store.snapshot(), MailStore::State{});
    }

    void snapshotsKeepTheirStateWhileTheStoreChanges()
    {
        MailStore store(m_email, base());
        QList<MessageSummary> all;
        for (int i = 0; i < 5000; ++i)
            all.append(summary(QStringLiteral("m%1").arg(i), i));
        store.upsert(all);
        const MailStore::State before = store.snapshot();

        store.upsert({summary(QStringLiteral("m7"), 7, {unread}), summary(QStringLiteral("x"), 1)});
        store.removeMessages(
            {QStringLiteral("m8"), QStringLiteral("m9"), QStringLiteral("absent")});

        QCOMPARE(before.summaries.size(), 5000);
        QCOMPARE(before.summaries.value(QStringLiteral("m7")).labelIds(), QStringList{inbox});
        QVERIFY(before.summaries.contains(QStringLiteral("m8")));
        QVERIFY(!before.summaries.find(QStringLiteral("x")));

        const MailStore::State after = store.snapshot();
        QCOMPARE(after.summaries.size(), 4999);
        QCOMPARE(after.summaries.find(QStringLiteral("m7"))->labelIds(), QStringList{unread});
        QVERIFY(!after.summaries.contains(QStringLiteral("m9")));
        // Iteration visits each summary once, under its own id.
        QSet<QString> seen;
        for (const MessageSummary& each : after.summaries)
            seen.insert(each.id());
        QCOMPARE(seen.size(), 4999);
        const QStringList keys = after.summaries.keys();
        QCOMPARE(seen, QSet<QString>(keys.cbegin(), keys.cend()));
        QVERIFY(before != after);
    }

    void cacheIsPrivateWhateverTheUmask()
    {
        const mode_t previous = ::umask(0);
        const QString folder = base() + u'/' + m_email;
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::Permissions(0x7755));
        {
            MailStore store(m_email, base());
            store.upsert({summary(QStringLiteral("a"), 1)});
            store.upsert({summary(QStringLiteral("b"), 2)});
        }
        ::umask(previous);
        QCOMPARE(modeOf(folder), mode_t(0700));
        QCOMPARE(modeOf(cachePath()), mode_t(0600));
    }

    void unsafeEmailsNeverTouchTheDisk_data()
    {
        QTest::addColumn<QString>("email");
        QTest::newRow("parent") << QStringLiteral("..");
        QTest::newRow("self") << QStringLiteral(".");
        QTest::newRow("empty") << QString();
        QTest::newRow("path") << QStringLiteral("../../etc/x@y.pt");
        QTest::newRow("slash") << QStringLiteral("a/b@c.pt");
        QTest::newRow("nul") << (QStringLiteral("a") + QChar(0) + QStringLiteral("@b.pt"));
    }

    void unsafeEmailsNeverTouchTheDisk()
    {
        QFETCH(QString, email);
        const QString root = base();
        const QString nested = root + QStringLiteral("/inner/base");
        QDir().mkpath(nested);
        writeFile(root + QStringLiteral("/inner/cache.json"), "sentinel");

        MailStore store(email, nested);
        store.upsert({summary(QStringLiteral("a"), 1)});
        store.markLabelLoaded(inbox);
        QCOMPARE(store.snapshot().summaries.size(), 1);
        store.wipe();
        QVERIFY(store.filePath().isEmpty());
        QCOMPARE(filesUnder(root), QStringList{root + QStringLiteral("/inner/cache.json")});
        QCOMPARE(readFile(root + QStringLiteral("/inner/cache.json")), QByteArray("sentinel"));
    }

    void concurrentWritersAreSerialised()
    {
        MailStore store(m_email, base());
        QList<QThread*> threads;
        for (int t = 0; t < 4; ++t) {
            threads.append(QThread::create([&store, t] {
                for (int i = 0; i < 25; ++i) {
                    store.upsert({summary(QStringLiteral("%1-%2").arg(t).arg(i), i)});
                    store.summaries(inbox);
                }
            }));
            threads.last()->start();
        }
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(120000));
            delete thread;
        }
        QCOMPARE(store.snapshot().summaries.size(), 100);
        QCOMPARE(MailStore(m_email, base()).snapshot(), store.snapshot());
    }

    // A large cache is decoded while the parsed text of what is already
    // decoded is given back page by page; every summary must come out whole
    // whatever its size, escapes and position.
    void largeCacheRoundTrips()
    {
        MailStore::State expected;
        QList<MessageSummary> all;
        for (int i = 0; i < 6000; ++i) {
            const QString id = QStringLiteral("m%1").arg(i);
            const QString text = QString(i % 700, QChar(u'a' + i % 26)) +
                                 QStringLiteral("\"çã\\\n\t\u0001€") + QString::number(i);
            all.append(MessageSummary{id,
                                      i % 3 ? id : QStringLiteral("t%1").arg(i / 3),
                                      {inbox, i % 2 ? unread : QStringLiteral("Label_%1").arg(i)},
                                      text,
                                      text.left(i % 40),
                                      QStringLiteral("p%1@x.pt").arg(i),
                                      text.right(i % 90),
                                      qint64(i) * 1000003});
            expected.summaries.insert(all.last());
        }
        {
            MailStore store(m_email, base());
            store.upsert(all);
            store.setHistoryId(QStringLiteral("77"));
            expected.historyId = QStringLiteral("77");
            expected.lastSync = store.snapshot().lastSync;
        }
        const MailStore::State loaded = MailStore(m_email, base()).snapshot();
        for (const MessageSummary& summary : std::as_const(all))
            QCOMPARE(loaded.summaries.value(summary.id()), summary);
        QCOMPARE(loaded, expected);
    }

    void writesAreCoalescedAndFlushed()
    {
        const auto onDisk = [&] { return MailJson::decodeCache(readFile(cachePath())); };
        {
            MailStore store(m_email, base());
            for (int i = 0; i < 100; ++i) {
                store.upsert({summary(QStringLiteral("m%1").arg(i), i)});
                // Whatever moment it is read at, the file holds one whole state.
                if (QFile::exists(cachePath()))
                    QVERIFY(onDisk());
            }
            // The newest state reaches the disk on its own, in one or a few
            // writes rather than one per change.
            QTRY_COMPARE_WITH_TIMEOUT(onDisk().value_or(MailStore::State{}).summaries.size(), 100,
                                      30000);
            QVERIFY2(store.writeCount() <= 10, qPrintable(QString::number(store.writeCount())));

            store.setHistoryId(QStringLiteral("41"));
            store.flush();
            QCOMPARE(onDisk()->historyId, QStringLiteral("41"));

            // The last change before the program ends is not lost.
            store.removeMessages({QStringLiteral("m0")});
            store.setHistoryId(QStringLiteral("42"));
        }
        QCOMPARE(onDisk()->historyId, QStringLiteral("42"));
        QCOMPARE(onDisk()->summaries.size(), 99);
    }

    void failedWriteLeavesThePreviousCacheWhole()
    {
        // A write that fails half-way (here a file-size limit, in life a full
        // disk) must leave the previous cache readable, never a truncated one.
        const auto runWriter = [&](int batches, const QStringList& limit = {}) {
            QProcess writer;
            writer.start(QStringLiteral(MAILSTORE_WRITER),
                         QStringList{base(), m_email, QString::number(batches)} + limit);
            if (!writer.waitForFinished(120000) || writer.exitCode() != 0)
                return -1;
            return writer.readAllStandardOutput().trimmed().toInt();
        };
        QCOMPARE(runWriter(2), 2000);
        const QByteArray before = readFile(cachePath());

        const QString limit = QString::number(before.size() + before.size() / 4);
        QCOMPARE(runWriter(1, {limit}), 3000); // in memory the change stays
        QCOMPARE(readFile(cachePath()), before);
        QCOMPARE(MailStore(m_email, base()).snapshot().summaries.size(), 2000);
    }
};

QTEST_GUILESS_MAIN(TestMailStore)
#include "tst_mailstore.moc"
