#include "TestFiles.h"
#include "model/CachePreload.h"
#include "model/FirstScreen.h"
#include "model/MailJson.h"
#include "model/MailStore.h"
#include "model/ThreadSummary.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <future>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;

namespace {

const QString inbox = u"INBOX"_s;

MessageSummary summary(const QString& id, const QString& threadId, qint64 ms, QStringList labels)
{
    return MessageSummary{id,      threadId,           std::move(labels),  u"Olá"_s,
                          u"Zé"_s, u"ze@exemplo.pt"_s, u"Assunto "_s + id, ms};
}

QStringList idsOf(const QList<MessageSummary>& summaries)
{
    QStringList ids;
    for (const MessageSummary& each : summaries)
        ids.append(each.id());
    return ids;
}

/// The conversations the window lists under `labelId` of `state`.
QList<ThreadSummary> threadsOf(const MailStoreState& state, const QString& labelId)
{
    QList<MessageSummary> listed;
    for (const MessageSummary& each : state.summaries) {
        if (MailStore::isListedUnder(each, labelId))
            listed.append(each);
    }
    std::sort(listed.begin(), listed.end(), [](const MessageSummary& a, const MessageSummary& b) {
        return a.internalDateMs() > b.internalDateMs();
    });
    return ThreadSummary::group(listed);
}

} // namespace

class TestFirstScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_base;
    const QString m_email = u"ana@exemplo.pt"_s;
    const QString m_large = u"grande@exemplo.pt"_s;

    QString base() const { return m_base->path(); }
    QString cachePath(const QString& email) const
    {
        return MailStore::cacheFilePath(email, base());
    }
    QString recordPath(const QString& email) const
    {
        return FirstScreen::filePathBeside(cachePath(email));
    }

private slots:
    void init() { m_base = std::make_unique<QTemporaryDir>(); }

    void recordIsWrittenWithTheCacheAndGroupsAsIt()
    {
        MailStore store(m_email, base());
        QList<MessageSummary> all;
        for (int t = 0; t < 150; ++t) {
            const QString thread = u"t%1"_s.arg(t);
            all << summary(u"m%1a"_s.arg(t), thread, 1000 * t, {inbox})
                << summary(u"m%1b"_s.arg(t), thread, 1000 * t + 500, {inbox, u"UNREAD"_s});
        }
        // An old message of the newest conversation is listed with it; the
        // account's reply is not in the inbox, a trashed message not listed.
        all << summary(u"old"_s, u"t149"_s, 1, {inbox})
            << summary(u"sent"_s, u"t149"_s, 999999, {u"SENT"_s})
            << summary(u"trashed"_s, u"tx"_s, 999999, {inbox, u"TRASH"_s});
        store.upsert(all);
        store.setLabels({LabelInfo{inbox, inbox, u"system"_s, 300, 150}});
        store.setLabelPages(inbox, LabelPages{3, u"p3"_s, false});
        store.flush();

        const std::optional<MailStoreState> record =
            FirstScreen::read(recordPath(m_email), m_email);
        QVERIFY(record);
        const MailStoreState full = store.snapshot();
        QCOMPARE(record->labels, full.labels);
        QCOMPARE(record->labelPages.value(inbox), full.labelPages.value(inbox));
        QCOMPARE(record->summaries.size(), 2 * FirstScreen::threadCount + 1);
        QCOMPARE(threadsOf(*record, inbox),
                 threadsOf(full, inbox).mid(0, FirstScreen::threadCount));
        // Written after the cache: never newer than it.
        QVERIFY(QFileInfo(recordPath(m_email)).lastModified() >=
                QFileInfo(cachePath(m_email)).lastModified());

        // The record names its account; a removed account loses it too.
        QVERIFY(!FirstScreen::read(recordPath(m_email), m_large));
        store.wipe();
        QVERIFY(!QFile::exists(recordPath(m_email)));
    }

    void recordIsShownUntilTheCacheWins()
    {
        const auto a = summary(u"a"_s, u"ta"_s, 100, {inbox});
        const auto b = summary(u"b"_s, u"tb"_s, 200, {inbox});
        const auto ghost = summary(u"ghost"_s, u"tg"_s, 300, {inbox});
        MailStoreState cache;
        cache.summaries.insert(a);
        cache.summaries.insert(b);
        cache.labels = {LabelInfo{inbox, inbox, u"system"_s, 2, 0}};
        // The record still has a message deleted since, and older counts.
        MailStoreState record;
        record.summaries.insert(a);
        record.summaries.insert(ghost);
        record.labels = {LabelInfo{inbox, inbox, u"system"_s, 2, 1}};

        std::promise<std::optional<MailStoreState>> decoding;
        MailStore store(m_email, base(), systemWallClock(),
                        MailStore::ReadAhead{decoding.get_future(), record});
        // A failed check must not leave the store waiting for its cache.
        const auto decoded = qScopeGuard([&decoding] {
            try {
                decoding.set_value(std::nullopt);
            } catch (const std::future_error&) {
            }
        });
        QVERIFY(!store.isLoaded() && !store.loaded().isFinished());
        QCOMPARE(idsOf(store.summaries(inbox)), (QStringList{u"ghost"_s, u"a"_s}));
        QCOMPARE(store.snapshot().labels, record.labels);

        // A change taken meanwhile lands on the cache, and nothing is written
        // before the cache is in: the record is not the account's mail.
        store.addPendingChanges({PendingChange::labels({u"ta"_s}, {}, {inbox})});
        QCOMPARE(idsOf(store.summaries(inbox)), QStringList{u"ghost"_s});
        auto flushed = std::async(std::launch::async, [&store] { store.flush(); });
        QCOMPARE(flushed.wait_for(MailStore::writeDelay() * 4), std::future_status::timeout);
        QVERIFY(!QFile::exists(cachePath(m_email)));

        decoding.set_value(cache);
        store.loaded().waitForFinished();
        flushed.get();
        QVERIFY(store.isLoaded());
        QCOMPARE(idsOf(store.summaries(inbox)), QStringList{u"b"_s});
        QCOMPARE(store.snapshot().labels, cache.labels);
        const std::optional<MailStoreState> written =
            MailJson::decodeCache(readFile(cachePath(m_email)));
        QVERIFY(written && !written->summaries.find(u"ghost"_s));
        QCOMPARE(written->summaries.find(u"a"_s)->labelIds(), QStringList{});
        QCOMPARE(written->summaries.find(u"b"_s)->labelIds(), QStringList{inbox});
        QCOMPARE(written->summaries.size(), 2);
    }

    void damagedOrForeignRecordOnlyCostsItsSpeed_data()
    {
        QTest::addColumn<QByteArray>("record");
        MailStoreState state;
        state.summaries.insert(summary(u"x"_s, u"tx"_s, 1, {inbox}));
        const QByteArray whole = FirstScreen::encode(u"ana@exemplo.pt"_s, state);
        QTest::newRow("truncated") << whole.left(whole.size() - 10);
        QTest::newRow("header only") << whole.left(whole.indexOf('\n') + 1);
        QTest::newRow("not a record") << QByteArray("{\"historyId\":\"\"}");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\0\xff\xfe\n\0", 5);
        QTest::newRow("another account's")
            << FirstScreen::encode(u"rui@exemplo.pt"_s, MailStoreState{});
    }

    void damagedOrForeignRecordOnlyCostsItsSpeed()
    {
        QFETCH(QByteArray, record);
        {
            MailStore(m_email, base()).upsert({summary(u"a"_s, u"ta"_s, 1, {inbox})});
            MailStore(m_large, base())
                .upsert(
                    {summary(u"g1"_s, u"tg"_s, 1, {inbox}), summary(u"g2"_s, u"tg"_s, 2, {inbox})});
        }
        const QByteArray cache = readFile(cachePath(m_email));
        QVERIFY(writeFile(recordPath(m_email), record));
        QVERIFY(writeFile(recordPath(m_large), record));

        CachePreload preload({m_email, m_large}, base());
        std::optional<MailStore::ReadAhead> read = preload.take(m_email);
        QVERIFY(read && !read->firstScreen);
        // Without a record the largest cache is read by its own store.
        QVERIFY(!preload.take(m_large));
        MailStore store(m_email, base(), systemWallClock(), std::move(read));
        QVERIFY(store.isLoaded());
        QCOMPARE(idsOf(store.summaries(inbox)), QStringList{u"a"_s});
        QCOMPARE(MailStore(m_large, base()).summaryCount(), 2);
        QCOMPARE(readFile(cachePath(m_email)), cache);
    }
};

QTEST_GUILESS_MAIN(TestFirstScreen)
#include "tst_firstscreen.moc"
