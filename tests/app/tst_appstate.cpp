// The application state against the Google stand-in: accounts linked,
// started, syncing and removed; searches; and actions on several
// conversations at once, the star and the spam, and taking a change back.

#include "AppRig.h"
#include "AwaitTask.h"
#include "app/AppState.h"
#include "app/UndoOffer.h"
#include "model/MailStore.h"
#include "model/OfflineThreads.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using vesk::test::AppRig;
using vesk::test::awaitTask;
using vesk::test::TestRig;

namespace {

const QString ana = u"ana@exemplo.pt"_s;
const QString rui = u"rui@exemplo.pt"_s;
const QString eva = u"eva@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;

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
        QStringList ids;
        for (const int i : which)
            ids.append(m_mail.at(i).threadId);
        return ids;
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
        linkDirectly(ana);
        m_app = &m_rig->start();
        QCOMPARE(shown(), 4);
    }

    AppServices services()
    {
        AppServices result = m_rig->services();
        result.bringToFront = [this] { ++m_broughtToFront; };
        return result;
    }

    void linkDirectly(const QString& email) { m_rig->linkDirectly(email); }
    static constexpr auto sessionOf = &AppRig::sessionOf;

    /// Delivers a message and waits for the account's periodic sync to bring
    /// it; with `loud`, it must also have been announced exactly then.
    bool receives(const AppState& app, const QString& email, const QString& subject,
                  std::optional<bool> loud = {})
    {
        rig().deliver(email, subject);
        const bool came = QTest::qWaitFor(
            [&] {
                const AccountSession* session = sessionOf(app, email);
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
        linkDirectly(ana);
        linkDirectly(rui);
        AppState app(services());
        QCOMPARE(app.selectedAccountId(), ana);
        google().clearRequests();
        awaitTask(app.startAll());

        // Every request of the first account's start comes before the second's.
        const QByteArray ruiToken =
            "Bearer " + app.sessions()[1]->vault()->loadTokenSet()->accessToken.toUtf8();
        QList<bool> isRui;
        for (const auto& request : google().requests())
            isRui.append(request.header("Authorization") == ruiToken);
        QVERIFY(std::is_sorted(isRui.begin(), isRui.end()));
        QCOMPARE(poster().unread(), 2);
        QCOMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(app.visibleThreads().first().subject(), u"Para a Ana"_s);
    }

    void oneLinkAtATimeSelectsTheLinkedAccount()
    {
        google().setConsentAccount(rui);
        linkDirectly(ana);
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
        linkDirectly(ana);
        linkDirectly(rui);
        auto owned = std::make_unique<AppState>(std::move(quick));
        AppState& app = *owned;
        awaitTask(app.startAll());
        const QPointer<AccountSession> anaSession = sessionOf(app, ana);

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

        awaitTask(app.removeAccount(sessionOf(app, eva)));
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
        linkDirectly(ana);
        linkDirectly(rui);
        AppState app(services());
        app.selectAccount(rui);
        AccountSession* removed = sessionOf(app, rui);
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
        linkDirectly(ana);
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
        QCOMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(app.visibleThreads().first().subject(), u"Recibo de abril"_s);

        awaitTask(std::move(older));
        QVERIFY(app.isSearching());
        QCOMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(app.visibleThreads().first().subject(), u"Recibo de abril"_s);

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
        linkDirectly(ana);
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
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
