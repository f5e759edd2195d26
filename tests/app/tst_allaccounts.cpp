// Every account's inbox as one list, through the application state alone:
// the order, which account each conversation is of, and actions, reading and
// searching that go to the conversation's own account.

#include "AppRig.h"
#include "app/UndoOffer.h"
#include "compose/ComposerSession.h"
#include "sync/SyncEngine.h"

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString bruno = u"bruno@exemplo.pt"_s;
const QString carla = u"carla@exemplo.pt"_s;

const auto subjectOf = &ThreadSummary::subject;
const auto accountOf = &ThreadSummary::accountId;

} // namespace

class TestAllAccounts : public QObject
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
        const int page = SyncEngine::firstPageSize;
        rig.rig.deliverMany(ana, page + 10, u"Ana"_s);
        rig.rig.deliverMany(bruno, 2 * page + 5, u"Bruno"_s, {u"INBOX"_s}, 61);
        AppState& app = rig.start();
        app.selectAccount(AppState::allAccountsId());
        QTRY_COMPARE(app.visibleThreads().size(), 2 * page);
        QVERIFY(app.canLoadMore());

        awaitTask(app.loadMore());
        QTRY_VERIFY(!app.isLoadingMore());
        QCOMPARE(app.visibleThreads().size(), 3 * page + 10);
        QVERIFY(!app.isListComplete()); // Bruno has more
        QVERIFY(app.canLoadMore());
        awaitTask(app.loadMore());
        QTRY_VERIFY(!app.isLoadingMore());
        QCOMPARE(app.visibleThreads().size(), 3 * page + 15);
        QVERIFY(app.isListComplete());
    }
};

QTEST_GUILESS_MAIN(TestAllAccounts)
#include "tst_allaccounts.moc"
