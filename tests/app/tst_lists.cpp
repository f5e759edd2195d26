// The lists of conversations, through the application state alone: every
// account's inbox as one (the order, which account each conversation is of,
// and actions, reading and searching that go to the conversation's own
// account), and older conversations page by page (when a page is on its way,
// when it failed, keeping what was shown, and when the end is reached, for a
// label and a search).

#include "AppRig.h"
#include "app/UndoOffer.h"
#include "compose/ComposerSession.h"
#include "sync/SyncEngine.h"

#include <QSignalSpy>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString bruno = u"bruno@exemplo.pt"_s;
const QString carla = u"carla@exemplo.pt"_s;

constexpr int pageSize = SyncEngine::firstPageSize;
const auto subjectOf = &ThreadSummary::subject;
const auto accountOf = &ThreadSummary::accountId;

} // namespace

class TestLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyInboxInOneList()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}, AccountIdentity{bruno, u"Bruno"_s},
                         AccountIdentity{carla, u"Carla"_s}});
        auto now = std::make_shared<QDateTime>(QDateTime::currentDateTimeUtc().addDays(-1));
        rig.google().setClock([now] { return *now; });
        for (const QString& email : {ana, bruno, carla})
            rig.linkDirectly(email);
        // Two accounts may use the same thread ids: the stand-in's do.
        QHash<QString, fakegoogle::MessageRef> sent;
        for (const auto& [email, subject] :
             {std::pair{ana, u"Relatório de março"_s}, std::pair{bruno, u"Relatório anual"_s},
              std::pair{carla, u"Relatório final"_s}, std::pair{ana, u"Convite"_s}}) {
            *now = now->addSecs(60);
            sent.insert(subject, rig.google().deliverMessage(email, TestRig::mail(email, subject)));
        }
        AppState& app = rig.start();
        app.selectAccount(AppState::allAccountsId());
        QVERIFY(app.isAllAccounts());
        QCOMPARE(app.listTitle(), u"Todas as contas"_s);
        QTRY_COMPARE(valuesOf(app.visibleThreads(), subjectOf),
                     QStringList({u"Convite"_s, u"Relatório final"_s, u"Relatório anual"_s,
                                  u"Relatório de março"_s}));
        QCOMPARE(valuesOf(app.visibleThreads(), accountOf), QStringList({ana, carla, bruno, ana}));
        QTRY_COMPARE(app.unreadInAllInboxes(), 4);

        // Reading and answering go to the conversation's account.
        const QList<ThreadSummary> shown = app.visibleThreads();
        app.selectThread(shown.at(1));
        QTRY_COMPARE(app.selectedSession()->id(), carla);
        QTRY_VERIFY(!app.selectedSession()->openThreadMessages().isEmpty());
        app.reply(false);
        QVERIFY(app.composer());
        QCOMPARE(app.composer()->subject(), u"Re: Relatório final"_s);
        app.closeComposer(app.composer());

        // One action over three accounts' conversations: each account gets
        // its share, and undoing brings all of them back.
        awaitTask(app.archive({shown.at(0).threadId, shown.at(1).threadId, shown.at(2).threadId}));
        QCOMPARE(app.undoOffer().text(), u"3 conversas arquivadas."_s);
        QTRY_COMPARE(valuesOf(app.visibleThreads(), subjectOf),
                     QStringList({u"Relatório de março"_s}));
        const auto inboxOf = [&](const QString& email, const QString& subject) {
            return rig.google().labelIds(email, sent.value(subject).id).contains(u"INBOX"_s);
        };
        QVERIFY(!inboxOf(ana, u"Convite"_s) && !inboxOf(carla, u"Relatório final"_s) &&
                !inboxOf(bruno, u"Relatório anual"_s) && inboxOf(ana, u"Relatório de março"_s));
        awaitTask(app.undo());
        QTRY_COMPARE(app.visibleThreads().size(), 4);
        QTRY_VERIFY(inboxOf(ana, u"Convite"_s) && inboxOf(carla, u"Relatório final"_s) &&
                    inboxOf(bruno, u"Relatório anual"_s));

        // A search runs in every account, its results merged newest first.
        app.setSearchText(u"relatório"_s);
        awaitTask(app.runSearch());
        QCOMPARE(valuesOf(app.visibleThreads(), accountOf), QStringList({carla, bruno, ana}));

        // With one account left, the list is that account's again.
        app.clearSearch();
        awaitTask(app.removeAccount(AppRig::sessionOf(app, bruno)));
        awaitTask(app.removeAccount(AppRig::sessionOf(app, carla)));
        QVERIFY(!app.isAllAccounts());
        QTRY_COMPARE(app.visibleThreads().size(), 2);
        QVERIFY(app.visibleThreads().constFirst().accountId.isEmpty());
    }

    /// The list of every account reaches its end through each account's
    /// pages: one account ending early leaves the list going.
    void everyInboxPagesToItsEnd()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}, AccountIdentity{bruno, u"Bruno"_s}});
        rig.linkDirectly(ana);
        rig.linkDirectly(bruno);
        rig.rig.deliverMany(ana, pageSize + 10, u"Ana"_s);
        rig.rig.deliverMany(bruno, 2 * pageSize + 5, u"Bruno"_s, {u"INBOX"_s}, 61);
        AppState& app = rig.start();
        app.selectAccount(AppState::allAccountsId());
        QTRY_COMPARE(app.visibleThreads().size(), 2 * pageSize);
        QVERIFY(app.canLoadMore());

        awaitTask(app.loadMore());
        QTRY_VERIFY(!app.isLoadingMore());
        QCOMPARE(app.visibleThreads().size(), 3 * pageSize + 10);
        QVERIFY(!app.isListComplete()); // Bruno has more
        QVERIFY(app.canLoadMore());
        awaitTask(app.loadMore());
        QTRY_VERIFY(!app.isLoadingMore());
        QCOMPARE(app.visibleThreads().size(), 3 * pageSize + 15);
        QVERIFY(app.isListComplete());
    }

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

QTEST_GUILESS_MAIN(TestLists)
#include "tst_lists.moc"
