#include "AwaitTask.h"
#include "EngineRig.h"
#include "TestFiles.h"
#include "model/MailJson.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;
using vesk::test::awaitTask;

namespace {

const QString email = u"rui@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;
const QString unread = u"UNREAD"_s;
constexpr int pageSize = SyncEngine::firstPageSize;

} // namespace

/// A label's older pages through the sync engine, against the stand-in: to
/// the end of a long label, kept current by the history and by a full
/// synchronisation, and remembered in the cache.
class TestPaging : public QObject
{
    Q_OBJECT

    /// Paced by Google's quota on a clock that moves only while it waits.
    std::optional<test::EngineRig> m;

    /// `count` unread conversations of one message each in the inbox, their
    /// ids newest first.
    QStringList seedInbox(int count)
    {
        return m->rig.deliverMany(email, count, u"Conversa"_s, {inbox, unread});
    }

    /// The messages.list calls the stand-in received, with their sizes.
    QList<int> listCalls() const
    {
        QList<int> sizes;
        for (const auto& request : m->google.requests()) {
            if (request.method == u"GET" && request.path.endsWith(u"/messages"))
                sizes.append(request.queryValues(u"maxResults"_s).value(0).toInt());
        }
        return sizes;
    }

    void loadPages(int pages)
    {
        for (int page = 0; page < pages; ++page)
            awaitTask(m->engine->loadNextPage(inbox));
    }

private slots:
    void init()
    {
        m.emplace(AccountIdentity{email, u"Rui"_s});
        m->useQuotaOnVirtualTime();
    }
    void cleanup() { m.reset(); }

    void pagesToTheEndAndFollowsTheHistory()
    {
        const QStringList ids = seedInbox(1000);
        awaitTask(m->engine->syncNow());
        QCOMPARE(m->store->summaryCount(), pageSize);
        QCOMPARE(m->store->labelPages(inbox).depth, 1);

        // Each page is one list call for 75 and the fetch of its messages,
        // paced by the quota. (At the person's full share of it a fetch may
        // still be refused at a window's edge, and is made again.)
        m->google.clearRequests();
        int pages = 1;
        while (!m->store->labelPages(inbox).complete) {
            awaitTask(m->engine->loadNextPage(inbox));
            ++pages;
            QCOMPARE(m->store->summaryCount(), std::min(pages * pageSize, 1000));
        }
        QCOMPARE(pages, 14);
        QCOMPARE(listCalls(), QList<int>(13, pageSize));
        QVERIFY(m->rig.requestsEndingWith(ids.last()) >= 1);
        QVERIFY(m->clock->elapsedMs() > 0); // the quota paced it
        QCOMPARE(m->store->labelPages(inbox), (LabelPages{14, QString(), true}));
        const QList<MessageSummary> listed = m->store->summaries(inbox);
        QCOMPARE(listed.size(), 1000);
        QCOMPARE(listed.first().id(), ids.first());
        QCOMPARE(listed.last().id(), ids.last());
        // At the end nothing more is asked for.
        m->google.clearRequests();
        awaitTask(m->engine->loadNextPage(inbox));
        QVERIFY(m->google.requests().isEmpty());

        // Changes elsewhere to messages on the third page come through the
        // history like those on the first.
        const QString read = ids.at(2 * pageSize + 3);
        const QString archived = ids.at(2 * pageSize + 40);
        const QString deleted = ids.at(3 * pageSize - 1);
        QVERIFY(m->google.modifyMessage(email, read, {u"STARRED"_s}, {unread}));
        QVERIFY(m->google.modifyMessage(email, archived, {}, {inbox}));
        QVERIFY(m->google.deleteMessage(email, deleted));
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        const MailStore::State state = m->store->snapshot();
        QCOMPARE(state.summaries.value(read).labelIds(), m->google.labelIds(email, read));
        QVERIFY(!state.summaries.value(archived).hasLabel(inbox));
        QVERIFY(!state.summaries.contains(deleted));
        QCOMPARE(m->store->summaries(inbox).size(), 998);
    }

    void anExpiredHistoryReconcilesEveryLoadedPage()
    {
        const QStringList ids = seedInbox(400);
        const QString label = m->google.addLabel(email, u"Projetos"_s);
        const QStringList projects = m->rig.deliverMany(email, 2, u"Projeto"_s, {label}, 30);
        awaitTask(m->engine->syncNow());
        loadPages(4);
        awaitTask(m->engine->loadLabelMessages(label, pageSize));
        QCOMPARE(m->store->labelPages(inbox).depth, 5);
        QCOMPARE(m->store->summaryCount(), 5 * pageSize + 2);

        // Deleted, moved out of the inbox, relabelled and read at Gmail, on
        // the fourth page, and taken out of the other loaded label, while
        // the history that says so is lost.
        const QString deleted = ids.at(3 * pageSize + 2);
        const QString moved = ids.at(3 * pageSize + 10);
        const QString relabelled = ids.at(3 * pageSize + 20);
        QVERIFY(m->google.deleteMessage(email, deleted));
        QVERIFY(m->google.modifyMessage(email, moved, {}, {inbox}));
        QVERIFY(m->google.modifyMessage(email, relabelled, {label}, {unread}));
        QVERIFY(m->google.modifyMessage(email, projects.first(), {}, {label}));
        m->google.expireHistoryBefore(email, m->google.historyId(email));
        m->google.clearRequests();
        const qint64 unitsBefore = m->google.unitsSpent(email);

        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        const MailStore::State state = m->store->snapshot();
        QVERIFY(!state.summaries.contains(deleted));
        QVERIFY(!state.summaries.contains(moved)); // in no loaded label any more
        QCOMPARE(state.summaries.value(relabelled).labelIds(),
                 m->google.labelIds(email, relabelled));
        QVERIFY(!state.summaries.contains(projects.first()));
        QCOMPARE(m->store->summaries(label).size(), 2);
        // The five pages reached came back in one list call, the other label
        // in one of its own, and every message on them was fetched once: the
        // history that was refused, the profile, the labels, 5 units a list
        // and 20 a message.
        QCOMPARE(listCalls(), (QList<int>{5 * pageSize, pageSize}));
        QCOMPARE(m->google.unitsSpent(email) - unitsBefore,
                 2 + 1 + 2 + 2 * 5 + 20 * (5 * pageSize + 1));
        QCOMPARE(m->store->labelPages(inbox).depth, 5);
        QCOMPARE(m->store->summaries(inbox).size(), 5 * pageSize);
        QCOMPARE(state.historyId, QString::number(m->google.historyId(email)));

        // The end reached while another full sync lists the five pages (its
        // fetches slowed down): the sixth page, the last, loaded meanwhile,
        // keeps its depth and end.
        QVERIFY(m->google.modifyMessage(email, ids.first(), {u"STARRED"_s}, {}));
        m->google.expireHistoryBefore(email, m->google.historyId(email));
        auto slow = test::TestRig::delayed({}, u".*/messages/.+"_s, 40);
        slow.times = -1;
        m->google.addFault(slow);
        QCoro::Task<> relisting = m->engine->syncNow();
        QCoro::Task<> lastPage = m->engine->loadNextPage(inbox);
        awaitTask(std::move(relisting));
        awaitTask(std::move(lastPage));
        QCOMPARE(m->store->labelPages(inbox), (LabelPages{6, QString(), true}));
        QCOMPARE(m->store->summaries(inbox).size(), 400 - 2);
    }

    void theDepthOutlivesTheProgramAndARefusedTokenListsAgain()
    {
        const QStringList ids = seedInbox(400);
        awaitTask(m->engine->syncNow());
        loadPages(2);
        const LabelPages reached = m->store->labelPages(inbox);
        QCOMPARE(reached.depth, 3);
        QVERIFY(!reached.nextPageToken.isEmpty());

        // Another run of the program finds the depth and the token.
        m->store->flush();
        m->open();
        QCOMPARE(m->store->labelPages(inbox), reached);
        QCOMPARE(m->store->summaries(inbox).size(), 3 * pageSize);

        // The message the token names has gone: Google refuses it, and the
        // label is listed again from the start, one call for four pages.
        QVERIFY(m->google.deleteMessage(email, ids.at(3 * pageSize - 1)));
        awaitTask(m->engine->syncNow());
        m->google.clearRequests();
        awaitTask(m->engine->loadNextPage(inbox));
        QCOMPARE(listCalls(), (QList<int>{pageSize, 4 * pageSize}));
        QCOMPARE(m->store->labelPages(inbox).depth, 4);
        QCOMPARE(m->store->summaries(inbox).size(), 4 * pageSize);
        // Only messages new to the cache were fetched. (The new engine's
        // pacer does not know what the one before spent this minute: Google
        // may refuse a few fetches for quota, which are made again.)
        QSet<QString> fetched;
        for (const auto& request : m->google.requests()) {
            if (request.path.contains(u"/messages/"))
                fetched.insert(request.path);
        }
        QCOMPARE(fetched.size(), pageSize + 1);

        // A cache written before depths were kept: its labels have a page.
        m->store->flush();
        m->engine.reset();
        m->store.reset();
        const QString path = MailStore::cacheFilePath(email, m->rig.path(u"cache"_s));
        std::optional<MailStoreState> older = MailJson::decodeCache(test::readFile(path));
        QVERIFY(older);
        older->labelPages.clear();
        const QByteArray written = MailJson::encodeCache(*older).replace(",\"labelPages\":{}", "");
        QVERIFY(!written.contains("labelPages") && test::writeFile(path, written));
        m->open();
        QCOMPARE(m->store->summaryCount(), 4 * pageSize);
        QCOMPARE(m->store->labelPages(inbox), (LabelPages{1, QString(), false}));
        // Without a token the next page comes from a listing from the start.
        m->google.clearRequests();
        awaitTask(m->engine->loadNextPage(inbox));
        QCOMPARE(listCalls(), QList<int>{2 * pageSize});
        QCOMPARE(m->store->labelPages(inbox).depth, 2);
    }
};

QTEST_GUILESS_MAIN(TestPaging)
#include "tst_paging.moc"
