// The application state against the Google stand-in: accounts linked,
// started, syncing and removed; searches; actions on several conversations
// at once, and taking a change back; the lists (every account's inbox as one,
// older conversations page by page, for a label and a search, and what shows
// while a page loads or fails); and the start over what an earlier run left:
// the first-screen record shown until the whole cache wins (one that cannot
// be used: tst_model), and changes made with Google out of reach waiting
// in the journal across a restart, merged with what changed at Gmail
// meanwhile, a refused one undone and said.

#include "AppRig.h"
#include "AwaitTask.h"
#include "HeldSharedPool.h"
#include "TestFiles.h"
#include "app/AppState.h"
#include "app/NoticeBoard.h"
#include "app/UndoOffer.h"
#include "compose/ComposerSession.h"
#include "model/FirstScreen.h"
#include "model/MailStore.h"
#include "model/OfflineThreads.h"
#include "sync/SyncEngine.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString rui = u"rui@exemplo.pt"_s;
const QString eva = u"eva@exemplo.pt"_s;
const QString bruno = u"bruno@exemplo.pt"_s;
const QString carla = u"carla@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;

constexpr int pageSize = SyncEngine::firstPageSize;
const auto subjectOf = &ThreadSummary::subject;
const auto accountOf = &ThreadSummary::accountId;

QStringList sorted(QStringList labels)
{
    labels.sort();
    return labels;
}

} // namespace

class TestAppState : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppRig> m_rig;
    fakegoogle::FakeGoogle& google() const { return m_rig->google(); }
    RecordingNotificationPoster& poster() const { return m_rig->poster(); }
    TestRig& rig() const { return m_rig->rig; }
    int m_broughtToFront = 0;
    AppState* m_app = nullptr;
    QList<fakegoogle::MessageRef> m_mail;

    QStringList threadIds(std::initializer_list<int> which) const
    {
        return valuesOf(which, [this](int i) { return m_mail.at(i).threadId; });
    }
    bool atGmail(int i, const QString& label) const
    {
        return m_rig->google().labelIds(ana, m_mail.at(i).id).contains(label);
    }
    int shown() const { return int(m_app->visibleThreads().size()); }
    int requests(const QString& pathEnd) const { return rig().requestsEndingWith(pathEnd); }

    /// Four conversations in Ana's inbox, synced once.
    void startWithFourConversations()
    {
        for (const QString& subject : {u"Fatura"_s, u"Convite"_s, u"Reunião"_s, u"Promoção"_s})
            m_mail.append(google().deliverMessage(ana, TestRig::mail(QString(), subject)));
        m_rig->linkDirectly(ana);
        m_app = &m_rig->start();
        QCOMPARE(shown(), 4);
    }

    AppServices services()
    {
        AppServices result = m_rig->services();
        result.bringToFront = [this] { ++m_broughtToFront; };
        return result;
    }

    /// Delivers a message and waits for the account's periodic sync to bring
    /// it; with `loud`, it must also have been announced exactly then.
    bool receives(const AppState& app, const QString& email, const QString& subject,
                  std::optional<bool> loud = {})
    {
        rig().deliver(email, subject);
        const bool came = QTest::qWaitFor(
            [&] {
                const AccountSession* session = AppRig::sessionOf(app, email);
                const auto cached =
                    session ? session->store()->snapshot().summaries : SummaryTable();
                return std::any_of(cached.begin(), cached.end(),
                                   [&](const MessageSummary& s) { return s.subject() == subject; });
            },
            60000);
        const auto posted = poster().posted();
        const bool announced = std::any_of(posted.begin(), posted.end(), [&](const auto& p) {
            return p.account.email == email && p.summary.subject() == subject;
        });
        return came && announced == loud.value_or(announced);
    }

    /// Three conversations cached by a first run; the path of the cache.
    static QString cacheThreeConversations(AppRig& rig, QList<fakegoogle::MessageRef>& messages)
    {
        for (const QString& subject : {u"Convite"_s, u"Fatura"_s, u"Reunião"_s})
            messages.append(rig.rig.deliver(ana, subject));
        rig.linkDirectly(ana);
        AppState app(rig.services());
        awaitTask(app.startAll());
        // The state's end writes the cache and its record.
        return app.sessions().first()->store()->filePath();
    }

    /// A state opened as the program opens one: the caches read ahead.
    static std::unique_ptr<AppState>
    startedAsTheProgram(AppRig& rig, CacheReadStart start = CacheReadStart::AtOnce)
    {
        AppServices services = rig.services();
        if (!AppState::readCachesAhead(services, start))
            return nullptr;
        return std::make_unique<AppState>(std::move(services));
    }

    /// Every message at Gmail is cached with Gmail's labels, and nothing else.
    static bool cacheEqualsMailbox(AppRig& rig, const AppState& app)
    {
        const auto cached = app.sessions().first()->store()->snapshot().summaries;
        const QStringList ids = rig.google().messageIds(ana);
        if (cached.size() != ids.size())
            return false;
        return std::all_of(ids.cbegin(), ids.cend(), [&](const QString& id) {
            const MessageSummary* summary = cached.find(id);
            return summary && sorted(summary->labelIds()) == sorted(rig.google().labelIds(ana, id));
        });
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<AppRig>(QList{AccountIdentity{ana, u"Ana"_s},
                                               AccountIdentity{rui, u"Rui"_s},
                                               AccountIdentity{eva, u"Eva"_s}});
        m_broughtToFront = 0;
        m_mail.clear();
    }

    void cleanup() { m_rig.reset(); }

    void withoutAClientNothingLinksAndOnlyTheBadgeIsSet()
    {
        m_rig->config->setClientSecret(QString());
        AppState app(services());
        QVERIFY(app.sessions().isEmpty());
        QVERIFY(app.selectedAccountId().isEmpty());
        QVERIFY(app.visibleThreads().isEmpty());
        poster().setTotalUnread(5);
        awaitTask(app.startAll());
        QCOMPARE(poster().unread(), 0);

        awaitTask(app.linkAccount());
        QCOMPARE(app.linkError(), u"Falta configurar o cliente OAuth da Google nas Definições."_s);
        QVERIFY(!app.isLinkingAccount() && !app.oauthConfigured());
    }

    void accountsStartOneAfterAnother()
    {
        rig().deliver(ana, u"Para a Ana"_s);
        rig().deliver(rui, u"Para o Rui"_s);
        m_rig->linkDirectly(ana);
        m_rig->linkDirectly(rui);
        AppState app(services());
        QCOMPARE(app.selectedAccountId(), ana);
        google().clearRequests();
        awaitTask(app.startAll());

        // Every request of the first account's start comes before the second's.
        const QByteArray ruiToken =
            "Bearer " + app.sessions()[1]->vault()->loadTokenSet()->accessToken.toUtf8();
        const QList<bool> isRui = valuesOf(google().requests(), [&](const auto& request) {
            return request.header("Authorization") == ruiToken;
        });
        QVERIFY(std::is_sorted(isRui.begin(), isRui.end()));
        QCOMPARE(poster().unread(), 2);
        QCOMPARE(valuesOf(app.visibleThreads(), subjectOf), QStringList{u"Para a Ana"_s});
    }

    void oneLinkAtATimeSelectsTheLinkedAccount()
    {
        google().setConsentAccount(rui);
        m_rig->linkDirectly(ana);
        AppState app(services());
        app.setNotificationsEnabled(ana, false);

        // A second click while the user is still in the browser changes
        // nothing; the user then signs in on the page that opened first.
        m_rig->browser->setIdle(true);
        QCoro::Task<> first = app.linkAccount();
        QTRY_COMPARE(m_rig->browser->opened().size(), 1);
        awaitTask(app.linkAccount());
        QVERIFY(app.isLinkingAccount());
        QCOMPARE(m_rig->browser->opened().size(), 1);
        const QUrl consent = m_rig->browser->opened().first();
        m_rig->browser->setIdle(false);
        m_rig->browser->open(consent);
        awaitTask(std::move(first));
        QVERIFY2(app.linkError().isEmpty(), qPrintable(app.linkError()));
        QCOMPARE(app.sessions().size(), 2);
        QCOMPARE(app.selectedAccountId(), rui);
        QCOMPARE(app.selectedSession()->identity().name, u"Rui"_s);
        QVERIFY(!app.isLinkingAccount());

        // Linking Ana again keeps her place and switch.
        google().setConsentAccount(ana);
        awaitTask(app.linkAccount());
        QCOMPARE(app.registry().entries()[0].identity.email, ana);
        QVERIFY(!app.registry().entries()[0].notificationsEnabled);
        QCOMPARE(app.selectedAccountId(), ana);

        google().refuseConsent();
        awaitTask(app.linkAccount());
        QVERIFY(!app.linkError().isEmpty());
        QCOMPARE(app.sessions().size(), 2);
    }

    void everyAccountKeepsSyncing()
    {
        google().setConsentAccount(eva);
        AppServices quick = services();
        quick.sessions.syncInterval = 200ms;
        m_rig->linkDirectly(ana);
        m_rig->linkDirectly(rui);
        auto owned = std::make_unique<AppState>(std::move(quick));
        AppState& app = *owned;
        awaitTask(app.startAll());
        const QPointer<AccountSession> anaSession = AppRig::sessionOf(app, ana);

        // Linking another account leaves the running ones alone.
        awaitTask(app.linkAccount());
        QVERIFY2(app.linkError().isEmpty(), qPrintable(app.linkError()));
        QCOMPARE(app.sessions().size(), 3);
        QCOMPARE(app.sessions().first(), anaSession.data());
        QList<std::weak_ptr<TokenVault>> vaults;
        for (const AccountSession* session : app.sessions())
            vaults.append(session->vault());
        QVERIFY(receives(app, ana, u"Depois da ligação"_s, true));
        QVERIFY(receives(app, eva, u"Para a Eva"_s));

        // A switch reaches the account's running session, both ways.
        app.setNotificationsEnabled(rui, false);
        QVERIFY(receives(app, rui, u"Em silêncio"_s, false));
        QVERIFY(receives(app, ana, u"Depois do interruptor"_s, true));
        app.setNotificationsEnabled(rui, true);
        QVERIFY(receives(app, rui, u"Outra vez com som"_s, true));

        awaitTask(app.removeAccount(AppRig::sessionOf(app, eva)));
        QCOMPARE(app.sessions().size(), 2);
        QVERIFY(receives(app, ana, u"Depois da remoção"_s));
        QVERIFY(receives(app, rui, u"Também para o Rui"_s));
        QCOMPARE(app.sessions().first(), anaSession.data());
        // Syncs in flight hold their account's client, and with it the token
        // vault that reads this test's OAuth configuration, past the end of
        // their session: the test waits for them.
        owned.reset();
        QVERIFY(QTest::qWaitFor(
            [&] {
                return std::all_of(vaults.begin(), vaults.end(),
                                   [](const auto& vault) { return vault.expired(); });
            },
            60000));
    }

    void removedAccountStaysRemoved()
    {
        // Rui's mail, cached by an earlier run, with a conversation kept.
        MailStore(rui, rig().path(u"cache"_s))
            .setLabels({LabelInfo{u"INBOX"_s, u"INBOX"_s, u"system"_s, 3, 1}});
        OfflineThreads(rui, rig().path(u"cache"_s), 1 << 20).save(u"t1"_s, {FullMessage{}});
        const QString kept = OfflineThreads::folderPath(rui, rig().path(u"cache"_s));
        QVERIFY(QFileInfo::exists(kept));
        m_rig->linkDirectly(ana);
        m_rig->linkDirectly(rui);
        AppState app(services());
        app.selectAccount(rui);
        AccountSession* removed = AppRig::sessionOf(app, rui);
        const std::shared_ptr<MailStore> store = removed->store();
        QVERIFY(QFile::exists(store->filePath()));

        // Rui's first sync is held at the stand-in while the account goes,
        // and the revocation does not get through, so the held answer comes.
        google().failNext(u".*/revoke"_s, 503);
        google().addFault(TestRig::delayed(u"GET"_s, u".*/profile"_s, 2000));
        QCoro::Task<> starting = removed->startSync();
        QTRY_COMPARE(rig().requestsEndingWith(u"/profile"_s), 1);
        awaitTask(app.removeAccount(removed));
        QVERIFY(!QFile::exists(store->filePath()));
        QVERIFY(!QFileInfo::exists(kept));
        QCOMPARE(rig().requestsEndingWith(u"/revoke"_s), 1);
        QVERIFY(!rig().keychain().get(TokenVault::tokenService(), rui));
        QCOMPARE(app.registry().entries().size(), 1);
        QCOMPARE(app.selectedAccountId(), rui); // kept; the first session stands in
        QCOMPARE(app.selectedSession()->id(), ana);

        awaitTask(std::move(starting));
        QVERIFY(!QFile::exists(store->filePath()));
        QCOMPARE(store->snapshot(), MailStore::State{});
        QCOMPARE(app.sessions().size(), 1);
    }

    void newestSearchWinsAndClicksMoveTheSelection()
    {
        const auto hit = rig().deliver(ana, u"Fatura de março"_s);
        rig().deliver(ana, u"Recibo de abril"_s);
        m_rig->linkDirectly(ana);
        AppState app(services());
        awaitTask(app.startAll());
        google().clearRequests();

        // The first search's listing is slow; the second one overtakes it.
        const auto slowList = TestRig::delayed(u"GET"_s, u".*/messages"_s, 1500);
        google().addFault(slowList);
        app.setSearchText(u"fatura"_s);
        QCoro::Task<> older = app.runSearch();
        QTRY_COMPARE(rig().requestsEndingWith(u"/messages"_s), 1);
        app.setSearchText(u"recibo"_s);
        awaitTask(app.runSearch());
        QCOMPARE(valuesOf(app.visibleThreads(), subjectOf), QStringList{u"Recibo de abril"_s});

        awaitTask(std::move(older));
        QVERIFY(app.isSearching());
        QCOMPARE(valuesOf(app.visibleThreads(), subjectOf), QStringList{u"Recibo de abril"_s});

        // Leaving search mode drops a search still running.
        google().addFault(slowList);
        older = app.runSearch();
        QTRY_COMPARE(rig().requestsEndingWith(u"/messages"_s), 3);
        app.clearSearch();
        awaitTask(std::move(older));
        QVERIFY(!app.isSearching());

        // A notification of an unknown account moves nothing; the account's
        // own leaves the search for the conversation in the inbox.
        app.selectLabel(u"SENT"_s);
        app.setSearchText(u" \tfatura "_s);
        awaitTask(app.runSearch());
        QCOMPARE(app.visibleThreads().size(), 1);
        m_rig->router->route(u"desconhecido@x.pt"_s, hit.threadId);
        QCoreApplication::processEvents();
        QCOMPARE(m_broughtToFront, 0);
        QVERIFY(app.isSearching());

        m_rig->router->route(ana, hit.threadId);
        QTRY_COMPARE(m_broughtToFront, 1);
        QCOMPARE(app.selectedLabelId(), u"INBOX"_s);
        QVERIFY(!app.isSearching());
        QCOMPARE(app.selectedThreadId(), hit.threadId);
        QTRY_VERIFY(!app.selectedSession()->openThreadMessages().isEmpty());
    }

    void largeCachesAreGroupedOffTheGuiThread()
    {
        // An earlier run cached more than the GUI thread may group in one go.
        const qsizetype count = AppState::backgroundGroupingFrom() + 500;
        QList<MessageSummary> cached;
        for (qsizetype i = 0; i < count; ++i)
            cached.append(MessageSummary{
                u"m%1"_s.arg(i), u"t%1"_s.arg(i / 3), {u"INBOX"_s}, {}, {}, {}, {}, i});
        MailStore(ana, rig().path(u"cache"_s)).upsert(cached);
        m_rig->linkDirectly(ana);
        AppState app(services());
        const QList<ThreadSummary> expected = ThreadSummary::group(cached);

        // The answer comes at once, empty rather than another label's
        // threads, and the grouping follows with threadsChanged.
        QSignalSpy changed(&app, &AppState::threadsChanged);
        app.selectLabel(u"SENT"_s);
        app.selectLabel(u"INBOX"_s);
        QVERIFY(app.visibleThreads().isEmpty());
        QVERIFY(changed.wait(30000));
        QTRY_COMPARE_WITH_TIMEOUT(app.visibleThreads(), expected, 30000);
    }

    void severalGoInOneCallAndComeBackOnUndo()
    {
        startWithFourConversations();
        awaitTask(m_app->archive(threadIds({0, 1, 2})));
        QCOMPARE(shown(), 1);
        QCOMPARE(m_app->undoOffer().text(), u"3 conversas arquivadas."_s);
        QCOMPARE(requests(u"/messages/batchModify"_s), 1);
        QCOMPARE(requests(u"/modify"_s), 0);
        QVERIFY(!atGmail(0, inbox) && !atGmail(1, inbox) && !atGmail(2, inbox));

        // After it reached Gmail, undoing changes Gmail back.
        awaitTask(m_app->undo());
        QCOMPARE(shown(), 4);
        QVERIFY(m_app->undoOffer().text().isEmpty());
        QTRY_VERIFY(atGmail(0, inbox) && atGmail(1, inbox) && atGmail(2, inbox));
        QCOMPARE(m_app->waitingChanges(), 0);

        // The star, the spam and the way back, each offered for undoing.
        awaitTask(m_app->setStarred(threadIds({3}), true));
        QVERIFY(atGmail(3, u"STARRED"_s));
        QCOMPARE(m_app->undoOffer().text(), u"Marcada com estrela."_s);
        awaitTask(m_app->setSpam(threadIds({2, 3}), true));
        QVERIFY(atGmail(3, u"SPAM"_s) && !atGmail(3, inbox) && atGmail(2, u"SPAM"_s));
        QCOMPARE(shown(), 2);
        m_app->selectLabel(u"SPAM"_s);
        QTRY_COMPARE(shown(), 2);
        awaitTask(m_app->moveToInbox(threadIds({2})));
        QVERIFY(!atGmail(2, u"SPAM"_s) && atGmail(2, inbox));
        QCOMPARE(m_app->undoOffer().text(), u"Movida para a caixa de entrada."_s);

        // Trashed and taken out of the trash: back in the inbox, both.
        m_app->selectLabel(inbox);
        awaitTask(m_app->trash(threadIds({0, 1})));
        QVERIFY(atGmail(0, u"TRASH"_s) && !atGmail(1, inbox));
        awaitTask(m_app->moveToInbox(threadIds({0, 1})));
        QVERIFY(!atGmail(0, u"TRASH"_s) && atGmail(0, inbox) && atGmail(1, inbox));
        QCOMPARE(m_app->waitingChanges(), 0);

        // A change that changes nothing is neither kept nor offered.
        m_app->undoOffer().withdraw();
        awaitTask(m_app->setStarred(threadIds({0}), false));
        QVERIFY(m_app->undoOffer().text().isEmpty());
    }

    void undoBeforeGmailHearsSendsNothing()
    {
        startWithFourConversations();
        const quint16 port = m_rig->google().port();
        m_rig->google().stop();
        awaitTask(m_app->trash(threadIds({0, 1})));
        QCOMPARE(shown(), 2);
        QCOMPARE(m_app->undoOffer().text(), u"2 conversas movidas para a lixeira."_s);
        awaitTask(m_app->undo());
        QCOMPARE(shown(), 4);
        QCOMPARE(m_app->waitingChanges(), 0);

        // The next change is offered in its turn, and only for a while.
        m_app->undoOffer().setLasting(50ms);
        awaitTask(m_app->setRead(threadIds({2}), true));
        QCOMPARE(m_app->undoOffer().text(), u"Marcada como lida."_s);
        QSignalSpy withdrawn(&m_app->undoOffer(), &UndoOffer::changed);
        QVERIFY(withdrawn.wait(5000));
        QVERIFY(m_app->undoOffer().text().isEmpty());

        QVERIFY(m_rig->google().start(port));
        awaitTask(m_app->refresh());
        QTRY_COMPARE_WITH_TIMEOUT(m_app->waitingChanges(), 0, 30000);
        QVERIFY(!atGmail(0, u"TRASH"_s) && !atGmail(1, u"TRASH"_s));
        QCOMPARE(requests(u"/trash"_s), 0);
        QVERIFY(!atGmail(2, u"UNREAD"_s));
    }

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
        {
            // Painting waits on Qt's shared pool: the address book is built elsewhere.
            const HeldSharedPool busy;
            app.reply(false);
            QVERIFY(app.composer());
            QCOMPARE(app.composer()->subject(), u"Re: Relatório final"_s);
            QTRY_VERIFY(app.composer()->addressBook());
        }
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

    void wholeCacheWinsOverTheRecordAndActionsWaitForIt()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        QList<fakegoogle::MessageRef> messages;
        const QString cachePath = cacheThreeConversations(rig, messages);
        const QString recordPath = FirstScreen::filePathBeside(cachePath);
        std::optional<MailStoreState> record = FirstScreen::read(recordPath, ana);
        QVERIFY(record);
        QCOMPARE(record->summaries.size(), 3);
        // A conversation deleted at Gmail after the record was written.
        record->summaries.insert(MessageSummary(u"fantasma"_s, u"t-fantasma"_s, {inbox}, {}, {}, {},
                                                u"Fantasma"_s,
                                                QDateTime::currentMSecsSinceEpoch()));
        QVERIFY(writeFile(recordPath, FirstScreen::encode(ana, *record)));

        const std::unique_ptr<AppState> app = startedAsTheProgram(rig);
        QVERIFY(app);
        // Archived before anything says whether the cache is in: the change
        // goes to the whole cache and on to Gmail.
        const fakegoogle::MessageRef fatura = messages.at(1);
        awaitTask(app->archive({fatura.threadId}));
        const std::shared_ptr<MailStore> store = app->sessions().first()->store();
        QVERIFY(store->isLoaded());
        QTRY_COMPARE_LONG(sortedSubjects(*app), (QStringList{u"Convite"_s, u"Reunião"_s}));
        QVERIFY(!store->snapshot().summaries.find(u"fantasma"_s));
        QCOMPARE(store->summaryCount(), 3);
        QTRY_VERIFY_LONG(!rig.google().labelIds(ana, fatura.id).contains(inbox));
        awaitTask(app->startAll());
        QCOMPARE(app->sessions().first()->lastError(), QString());
        QCOMPARE(sortedSubjects(*app), (QStringList{u"Convite"_s, u"Reunião"_s}));
    }

    void cacheHeldForTheFirstFrameLoadsWhenWanted()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        QList<fakegoogle::MessageRef> messages;
        cacheThreeConversations(rig, messages);
        const QStringList all{u"Convite"_s, u"Fatura"_s, u"Reunião"_s};
        {
            const auto app = startedAsTheProgram(rig, CacheReadStart::AfterFirstFrame);
            QVERIFY(app);
            const std::shared_ptr<MailStore> store = app->sessions().first()->store();
            QCOMPARE(sortedSubjects(*app), all);
            // The sync starts as the window shows, and waits with the read.
            const auto started = std::make_shared<bool>(false);
            [](AppState& state, std::shared_ptr<bool> done) -> QCoro::Task<> {
                co_await state.startAll();
                *done = true;
            }(*app, started);
            QTest::qWait(300);
            QVERIFY(!store->isLoaded());
            QVERIFY(!*started);
            app->loadCachesNow();
            QTRY_VERIFY_WITH_TIMEOUT(*started, 8000);
            QCOMPARE(store->summaryCount(), 3);
        }
        // An action does not wait for a frame.
        const auto app = startedAsTheProgram(rig, CacheReadStart::AfterFirstFrame);
        QVERIFY(app);
        const fakegoogle::MessageRef fatura = messages.at(1);
        QElapsedTimer clock;
        clock.start();
        awaitTask(app->archive({fatura.threadId}));
        QVERIFY(clock.elapsed() < 8000);
        QTRY_COMPARE_LONG(sortedSubjects(*app), (QStringList{u"Convite"_s, u"Reunião"_s}));
    }

    void changesWaitThroughARestartAndLandOnceGoogleIsBack()
    {
        AppRig rig(QList{AccountIdentity{ana, u"Ana"_s}});
        const auto bill = rig.rig.deliver(ana, u"Fatura"_s);
        const auto invite = rig.rig.deliver(ana, u"Convite"_s);
        const auto meeting = rig.rig.deliver(ana, u"Reunião"_s);
        const auto offer = rig.rig.deliver(ana, u"Promoção"_s);
        const auto report = rig.rig.deliver(ana, u"Relatório"_s);
        const QString projects = rig.google().addLabel(ana, u"Projetos"_s);
        rig.linkDirectly(ana);

        // Made while Google listens: its addresses name the port it is
        // brought back on.
        const AppServices services = rig.services();
        auto app = std::make_unique<AppState>(services);
        awaitTask(app->startAll());
        QCOMPARE(app->visibleThreads().size(), 5);
        QVERIFY(!app->isOffline());

        // Out of reach: every change shows at once and waits.
        const quint16 port = rig.google().port();
        rig.google().stop();
        awaitTask(app->archive(QStringList{bill.threadId}));
        awaitTask(app->setLabel(QStringList{invite.threadId}, projects, true));
        awaitTask(app->setRead(QStringList{meeting.threadId}, true));
        awaitTask(app->trash(QStringList{offer.threadId}));
        // Gmail refuses this one when it finally arrives.
        awaitTask(app->setLabel(QStringList{report.threadId}, u"Label_apagada"_s, true));
        QVERIFY(app->isOffline());
        QCOMPARE(app->waitingChanges(), 5);
        // Messages wait in the outbox; Gmail refuses the first to arrive.
        const auto write = [&](const QString& subject) {
            app->startNewMessage();
            app->composer()->setTo(u"rui@exemplo.pt"_s);
            app->composer()->setSubject(subject);
            app->composer()->setBody(u"Segue em anexo."_s);
            app->composer()->addAttachments({{u"plano.pdf"_s, u"application/pdf"_s, "%PDF-1.4"}});
            QVERIFY(awaitTask(app->composer()->send()));
            QVERIFY(app->composer()->wasQueued());
            app->closeComposer(app->composer());
        };
        write(u"Recusada"_s);
        write(u"Proposta"_s);
        rig.google().addFault({.method = u"POST"_s,
                               .pathPattern = u".*/drafts/send"_s,
                               .status = 400,
                               .headers = {},
                               .body = R"({"error":{"code":400,"message":"Invalid To header",)"
                                       R"("status":"INVALID_ARGUMENT"}})"});
        QCOMPARE(app->waitingChanges(), 7);
        const QStringList shown{u"Convite"_s, u"Relatório"_s, u"Reunião"_s};
        QTRY_COMPARE(sortedSubjects(*app), shown);

        // Meanwhile, at Gmail: the web stars a conversation the journal
        // archives, and marks another read.
        rig.google().modifyMessage(ana, bill.id, {u"STARRED"_s}, {});
        rig.google().modifyMessage(ana, invite.id, {}, {u"UNREAD"_s});

        // A restart while still offline keeps every change, shown as made.
        app.reset();
        app = std::make_unique<AppState>(services);
        awaitTask(app->startAll());
        QCOMPARE(app->waitingChanges(), 7);
        QTRY_COMPARE(sortedSubjects(*app), shown);

        QVERIFY(rig.google().start(port));
        awaitTask(app->refresh());
        QTRY_COMPARE_WITH_TIMEOUT(app->waitingChanges(), 0, 60000);
        QVERIFY(!app->isOffline());

        const auto labels = [&](const fakegoogle::MessageRef& m) {
            return rig.google().labelIds(ana, m.id);
        };
        QVERIFY(!labels(bill).contains(inbox));
        QVERIFY(labels(bill).contains(u"STARRED"_s));
        QVERIFY(labels(invite).contains(projects) && !labels(invite).contains(u"UNREAD"_s));
        QVERIFY(!labels(meeting).contains(u"UNREAD"_s));
        QVERIFY(labels(offer).contains(u"TRASH"_s) && !labels(offer).contains(inbox));
        QVERIFY(!labels(report).contains(u"Label_apagada"_s));

        // The message went once, with its file; the refused one stays a
        // draft, and is back in a composer with Gmail's reason.
        int sent = 0;
        for (const QString& id : rig.google().messageIds(ana)) {
            const QByteArray raw = rig.google().rawMessage(ana, id);
            sent += raw.contains("Subject: Proposta") && raw.contains("plano.pdf");
            QVERIFY(!raw.contains("Subject: Recusada") || labels({id, {}}).contains(u"DRAFT"_s));
        }
        QCOMPARE(sent, 1);
        QVERIFY(app->composer());
        QCOMPARE(app->composer()->subject(), u"Recusada"_s);
        QVERIFY2(app->composer()->error().contains(u"Invalid To header"_s),
                 qPrintable(app->composer()->error()));
        QCOMPARE(app->composer()->attachments().size(), 1);
        app->closeComposer(app->composer());

        // The refused change is undone and said, naming the conversation.
        QCOMPARE(app->notices().notices().size(), 1);
        const QString notice = app->notices().notices().first().text;
        QVERIFY2(notice.contains(u"«Relatório»"_s) && notice.contains(u"Label_apagada"_s),
                 qPrintable(notice));
        app->notices().dismiss(app->notices().notices().first().id);
        QVERIFY(app->notices().notices().isEmpty());

        awaitTask(app->refresh());
        QTRY_VERIFY_WITH_TIMEOUT(cacheEqualsMailbox(rig, *app), 30000);
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
