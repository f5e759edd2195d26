// Older conversations through the application state alone: the list shown
// grows page by page, says when a page is on its way, when it failed (keeping
// what was shown) and when the end is reached, for a label and a search.

#include "AppRig.h"
#include "sync/SyncEngine.h"

#include <QSignalSpy>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
constexpr int pageSize = SyncEngine::firstPageSize;

} // namespace

class TestListPaging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aLabelGrowsToItsEnd()
    {
        AppRig rig;
        rig.linkDirectly(ana, u"Ana"_s);
        rig.rig.deliverMany(ana, 2 * pageSize + 50, u"Conversa"_s);
        AppState& app = rig.start();
        QTRY_COMPARE_LONG(app.visibleThreads().size(), pageSize);
        QVERIFY(app.canLoadMore() && !app.isListComplete());

        QSignalSpy paging(&app, &AppState::pagingChanged);
        QCoro::Task<> loading = app.loadMore();
        QVERIFY(app.isLoadingMore());
        QVERIFY(!app.canLoadMore()); // one page at a time
        awaitTask(std::move(loading));
        // Loading until the session has taken the page in.
        QTRY_VERIFY(!app.isLoadingMore());
        QCOMPARE(paging.size(), 2);
        QCOMPARE(app.visibleThreads().size(), 2 * pageSize);

        // A failed page says why and keeps what is shown; it is tried again
        // only when asked.
        rig.google().failNext(u".*/messages"_s, 500, 10);
        awaitTask(app.loadMore());
        QVERIFY(app.loadMoreError());
        QVERIFY(!app.loadMoreError()->text.isEmpty());
        QVERIFY(!app.canLoadMore() && !app.isListComplete());
        QCOMPARE(app.visibleThreads().size(), 2 * pageSize);

        rig.google().clearFaults();
        awaitTask(app.loadMore());
        QVERIFY(!app.loadMoreError());
        QTRY_VERIFY(!app.isLoadingMore());
        QCOMPARE(app.visibleThreads().size(), 2 * pageSize + 50);
        QVERIFY(app.isListComplete() && !app.canLoadMore());

        // Each label has its own end; the outbox has none.
        app.selectLabel(u"SENT"_s);
        QTRY_VERIFY_LONG(app.isListComplete()); // empty, loaded
        app.selectLabel(AppState::outboxId());
        QVERIFY(!app.isListComplete() && !app.canLoadMore());
        app.selectLabel(u"INBOX"_s);
        QVERIFY(app.isListComplete());
    }

    void aSearchGrowsPageByPage()
    {
        AppRig rig;
        rig.linkDirectly(ana, u"Ana"_s);
        rig.rig.deliverMany(ana, 110, u"Relatório"_s);
        rig.rig.deliverMany(ana, 10, u"Outra"_s);
        AppState& app = rig.start();

        app.setSearchText(u"relatório"_s);
        awaitTask(app.runSearch());
        QCOMPARE(app.visibleThreads().size(), 50);
        QVERIFY(app.canLoadMore());
        QSignalSpy results(&app, &AppState::searchChanged);
        awaitTask(app.loadMore());
        QCOMPARE(results.size(), 1);
        QCOMPARE(app.visibleThreads().size(), 100);
        awaitTask(app.loadMore());
        QCOMPARE(app.visibleThreads().size(), 110);
        QVERIFY(app.isListComplete());
        for (const ThreadSummary& thread : app.visibleThreads())
            QVERIFY(thread.subject().startsWith(u"Relatório"_s));

        // A page of a search left meanwhile does not land in the next list.
        awaitTask(app.runSearch());
        QCoro::Task<> stale = app.loadMore();
        app.clearSearch();
        awaitTask(std::move(stale));
        QVERIFY(!app.isSearching() && !app.isListComplete());
        QVERIFY(app.canLoadMore()); // the inbox, 120 long, again
    }
};

QTEST_GUILESS_MAIN(TestListPaging)
#include "tst_listpaging.moc"
