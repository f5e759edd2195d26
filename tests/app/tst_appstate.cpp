#include "AwaitTask.h"
#include "TestBrowser.h"
#include "TestRig.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "auth/OAuthService.h"
#include "auth/TokenVault.h"
#include "model/MailStore.h"
#include "notifications/NotificationRouter.h"
#include "notifications/RecordingNotificationPoster.h"
#include "sync/AccountSession.h"

#include <QSignalSpy>
#include <QTest>

using namespace vesk;
using namespace std::chrono_literals;
using vesk::test::awaitTask;
using vesk::test::TestRig;

namespace {

const QString ana = QStringLiteral("ana@exemplo.pt");
const QString rui = QStringLiteral("rui@exemplo.pt");
const QString eva = QStringLiteral("eva@exemplo.pt");

QByteArray mail(const QString& subject)
{
    return TestRig::mail(QString(), subject);
}

} // namespace

class TestAppState : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    fakegoogle::FakeGoogle& google() const { return m_rig->google(); }
    OAuthConfig& config() const { return *m_rig->config(); }
    RecordingNotificationPoster& poster() const { return *m_rig->poster(); }
    std::shared_ptr<TestBrowser> m_browser;
    std::shared_ptr<NotificationRouter> m_router;
    int m_broughtToFront = 0;

    AppServices services()
    {
        AppServices result;
        result.settings = m_rig->settings();
        result.sessions = m_rig->sessionServices();
        result.browser = m_browser;
        result.router = m_router;
        result.bringToFront = [this] { ++m_broughtToFront; };
        return result;
    }

    /// Links the account as an earlier run would have: the application
    /// state built next finds it in the settings.
    void linkDirectly(const QString& email)
    {
        TokenVault(email, m_rig->config(), m_rig->transport(), m_rig->oauthEndpoints())
            .saveTokenSet(m_rig->tokensFor(email));
        AccountRegistry registry(m_rig->settings());
        registry.load();
        registry.upsert(AccountIdentity{email, QString()});
    }

    static AccountSession* sessionOf(const AppState& app, const QString& email)
    {
        for (AccountSession* session : app.sessions()) {
            if (session->id() == email)
                return session;
        }
        return nullptr;
    }

    static bool holds(const AccountSession* session, const QString& subject)
    {
        const auto cached = session->store()->snapshot().summaries;
        return std::any_of(cached.begin(), cached.end(),
                           [&](const MessageSummary& s) { return s.subject() == subject; });
    }

    /// Delivers a message and waits for the account's periodic sync to bring it.
    bool receives(const AppState& app, const QString& email, const QString& subject)
    {
        google().deliverMessage(email, mail(subject));
        return QTest::qWaitFor(
            [&] {
                const AccountSession* session = sessionOf(app, email);
                return session && holds(session, subject);
            },
            60000);
    }

    bool announced(const QString& email, const QString& subject) const
    {
        const auto posted = poster().posted();
        return std::any_of(posted.begin(), posted.end(), [&](const auto& p) {
            return p.account.email == email && p.summary.subject() == subject;
        });
    }

    /// Syncs in flight hold their account's client, and with it the token
    /// vault that reads this test's OAuth configuration, past the end of
    /// their session: a test that leaves them running waits for them.
    static bool settled(const QList<std::weak_ptr<TokenVault>>& vaults)
    {
        return QTest::qWaitFor(
            [&] {
                return std::all_of(vaults.begin(), vaults.end(),
                                   [](const auto& vault) { return vault.expired(); });
            },
            60000);
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<TestRig>(QList{AccountIdentity{ana, QStringLiteral("Ana")},
                                                AccountIdentity{rui, QStringLiteral("Rui")},
                                                AccountIdentity{eva, QStringLiteral("Eva")}});
        m_browser = std::make_shared<TestBrowser>();
        m_router = std::make_shared<NotificationRouter>();
        m_broughtToFront = 0;
    }

    void cleanup() { m_rig.reset(); }

    void withoutAccountsOnlyTheBadgeIsSet()
    {
        config().setClientSecret(QString());
        AppState app(services());
        QVERIFY(app.sessions().isEmpty());
        QVERIFY(app.selectedAccountId().isEmpty());
        QVERIFY(app.visibleThreads().isEmpty());
        poster().setTotalUnread(5);
        awaitTask(app.startAll());
        QCOMPARE(poster().unread(), 0);

        awaitTask(app.linkAccount());
        QCOMPARE(app.linkError(),
                 QStringLiteral("Falta configurar o cliente OAuth da Google nas Definições."));
        QVERIFY(!app.isLinkingAccount());
    }

    void oauthConfiguredFollowsTheConfiguration()
    {
        config().setClientSecret(QString());
        AppState app(services());
        QVERIFY(!app.oauthConfigured());
        QSignalSpy configured(&app, &AppState::oauthConfiguredChanged);

        config().setClientId(QStringLiteral("cid"));
        QVERIFY(configured.isEmpty()); // still without a secret
        config().setClientSecret(QStringLiteral("segredo"));
        QCOMPARE(configured.size(), 1);
        QVERIFY(app.oauthConfigured());

        config().setClientId(QStringLiteral("outro"));
        QCOMPARE(configured.size(), 1);
        config().setClientSecret(QStringLiteral(" \n"));
        QCOMPARE(configured.size(), 2);
        QVERIFY(!app.oauthConfigured());
    }

    void accountsStartOneAfterAnother()
    {
        google().deliverMessage(ana, mail(QStringLiteral("Para a Ana")));
        google().deliverMessage(rui, mail(QStringLiteral("Para o Rui")));
        linkDirectly(ana);
        linkDirectly(rui);
        AppState app(services());
        QCOMPARE(app.selectedAccountId(), ana);
        google().clearRequests();
        awaitTask(app.startAll());

        // Every request of the first account's start comes before the second's.
        const auto requests = google().requests();
        qsizetype lastAna = -1;
        qsizetype firstRui = requests.size();
        const QByteArray ruiToken =
            "Bearer " + app.sessions()[1]->vault()->loadTokenSet()->accessToken.toUtf8();
        for (qsizetype i = 0; i < requests.size(); ++i) {
            if (requests[i].header("Authorization") == ruiToken)
                firstRui = std::min(firstRui, i);
            else
                lastAna = i;
        }
        QVERIFY(lastAna < firstRui);
        QCOMPARE(poster().unread(), 2);
        QCOMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(app.visibleThreads().first().subject(), QStringLiteral("Para a Ana"));
    }

    void linkingThroughTheBrowserSelectsTheAccount()
    {
        google().setConsentAccount(rui);
        linkDirectly(ana);
        AppState app(services());
        app.setNotificationsEnabled(ana, false);

        QSignalSpy linking(&app, &AppState::linkingChanged);
        awaitTask(app.linkAccount());
        QVERIFY2(app.linkError().isEmpty(), qPrintable(app.linkError()));
        QCOMPARE(app.sessions().size(), 2);
        QCOMPARE(app.selectedAccountId(), rui);
        QCOMPARE(app.selectedSession()->identity().name, QStringLiteral("Rui"));
        QVERIFY(!app.isLinkingAccount());
        QCOMPARE(linking.size(), 2); // began, ended
        QVERIFY(app.oauthService() == nullptr);

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
        QVERIFY(receives(app, ana, QStringLiteral("Depois da ligação")));
        QVERIFY(announced(ana, QStringLiteral("Depois da ligação")));
        QVERIFY(receives(app, eva, QStringLiteral("Para a Eva")));

        // A switch reaches the account's running session, both ways.
        app.setNotificationsEnabled(rui, false);
        QVERIFY(receives(app, rui, QStringLiteral("Em silêncio")));
        QVERIFY(!announced(rui, QStringLiteral("Em silêncio")));
        QVERIFY(receives(app, ana, QStringLiteral("Depois do interruptor")));
        QVERIFY(announced(ana, QStringLiteral("Depois do interruptor")));
        app.setNotificationsEnabled(rui, true);
        QVERIFY(receives(app, rui, QStringLiteral("Outra vez com som")));
        QVERIFY(announced(rui, QStringLiteral("Outra vez com som")));

        awaitTask(app.removeAccount(sessionOf(app, eva)));
        QCOMPARE(app.sessions().size(), 2);
        QVERIFY(receives(app, ana, QStringLiteral("Depois da remoção")));
        QVERIFY(receives(app, rui, QStringLiteral("Também para o Rui")));
        QCOMPARE(app.sessions().first(), anaSession.data());
        owned.reset();
        QVERIFY(settled(vaults));
    }

    void oneLinkAtATime()
    {
        google().setConsentAccount(rui);
        AppState app(services());
        m_browser->setIdle(true);
        QCoro::Task<> first = app.linkAccount();
        QTRY_COMPARE(m_browser->opened().size(), 1);
        OAuthService* service = app.oauthService();
        QVERIFY(service);

        // A second click while the user is still in the browser changes nothing.
        awaitTask(app.linkAccount());
        QVERIFY(app.oauthService() == service);
        QVERIFY(app.isLinkingAccount());
        QCOMPARE(m_browser->opened().size(), 1);

        // The user signs in on the page that opened first.
        const QUrl consent = m_browser->opened().first();
        m_browser->setIdle(false);
        m_browser->open(consent);
        awaitTask(std::move(first));
        QVERIFY2(app.linkError().isEmpty(), qPrintable(app.linkError()));
        QCOMPARE(app.selectedAccountId(), rui);
        QVERIFY(!app.isLinkingAccount());

        // Cancelled, then linked again.
        google().setConsentAccount(ana);
        m_browser->setIdle(true);
        QCoro::Task<> cancelled = app.linkAccount();
        QTRY_VERIFY(app.oauthService() && app.oauthService()->receiver());
        app.oauthService()->cancel();
        awaitTask(std::move(cancelled));
        QCOMPARE(app.linkError(), QStringLiteral("Ligação cancelada"));
        QVERIFY(!app.isLinkingAccount());
        QVERIFY(!app.oauthService());
        m_browser->setIdle(false);
        awaitTask(app.linkAccount());
        QVERIFY2(app.linkError().isEmpty(), qPrintable(app.linkError()));
        QCOMPARE(app.sessions().size(), 2);
        QCOMPARE(app.selectedAccountId(), ana);
    }

    void removedAccountStaysRemoved()
    {
        // Rui's mail, cached by an earlier run.
        MailStore(rui, m_rig->path(QStringLiteral("cache")))
            .setLabels({LabelInfo{QStringLiteral("INBOX"), QStringLiteral("INBOX"),
                                  QStringLiteral("system"), 3, 1}});
        linkDirectly(ana);
        linkDirectly(rui);
        AppState app(services());
        AccountSession* removed = sessionOf(app, rui);
        const std::shared_ptr<MailStore> store = removed->store();
        QVERIFY(QFile::exists(store->filePath()));

        // Rui's first sync is held at the stand-in while the account goes,
        // and the revocation does not get through, so the held answer comes.
        google().failNext(QStringLiteral(".*/revoke"), 503);
        fakegoogle::FaultRule slowProfile;
        slowProfile.kind = fakegoogle::FaultRule::Kind::Delay;
        slowProfile.method = QStringLiteral("GET");
        slowProfile.pathPattern = QStringLiteral(".*/profile");
        slowProfile.delayMs = 2000;
        google().addFault(slowProfile);
        QCoro::Task<> starting = removed->startSync();
        QTRY_COMPARE(m_rig->requestsEndingWith(QStringLiteral("/profile")), 1);
        awaitTask(app.removeAccount(removed));
        QVERIFY(!QFile::exists(store->filePath()));

        awaitTask(std::move(starting));
        QVERIFY(!QFile::exists(store->filePath()));
        QCOMPARE(store->snapshot(), MailStore::State{});
        QCOMPARE(app.sessions().size(), 1);
    }

    void newestSearchWins()
    {
        google().deliverMessage(ana, mail(QStringLiteral("Fatura de março")));
        google().deliverMessage(ana, mail(QStringLiteral("Recibo de abril")));
        linkDirectly(ana);
        AppState app(services());

        // The first search's listing is slow; the second one overtakes it.
        fakegoogle::FaultRule slowList;
        slowList.kind = fakegoogle::FaultRule::Kind::Delay;
        slowList.method = QStringLiteral("GET");
        slowList.pathPattern = QStringLiteral(".*/messages");
        slowList.delayMs = 1500;
        google().addFault(slowList);
        app.setSearchText(QStringLiteral("fatura"));
        QCoro::Task<> older = app.runSearch();
        QTRY_COMPARE(m_rig->requestsEndingWith(QStringLiteral("/messages")), 1);
        app.setSearchText(QStringLiteral("recibo"));
        awaitTask(app.runSearch());
        QCOMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(app.visibleThreads().first().subject(), QStringLiteral("Recibo de abril"));

        awaitTask(std::move(older));
        QVERIFY(app.isSearching());
        QCOMPARE(app.visibleThreads().size(), 1);
        QCOMPARE(app.visibleThreads().first().subject(), QStringLiteral("Recibo de abril"));

        // Leaving search mode drops a search still running.
        google().addFault(slowList);
        older = app.runSearch();
        QTRY_COMPARE(m_rig->requestsEndingWith(QStringLiteral("/messages")), 3);
        app.clearSearch();
        awaitTask(std::move(older));
        QVERIFY(!app.isSearching());
    }

    void removingAnAccountForgetsEverything()
    {
        linkDirectly(ana);
        linkDirectly(rui);
        AppState app(services());
        awaitTask(app.startAll());
        app.selectAccount(rui);
        AccountSession* removed = app.sessions()[1];
        const QString cache = removed->store()->filePath();
        removed->store()->flush();
        QVERIFY(QFile::exists(cache));

        google().clearRequests();
        awaitTask(app.removeAccount(removed));
        QCOMPARE(app.sessions().size(), 1);
        QCOMPARE(app.selectedAccountId(), rui); // kept; the first session stands in
        QCOMPARE(app.selectedSession()->id(), ana);
        QVERIFY(!QFile::exists(cache));
        QVERIFY(!m_rig->keychain().get(TokenVault::tokenService(), rui));
        QCOMPARE(app.registry().entries().size(), 1);
        const auto requests = google().requests();
        QVERIFY(std::any_of(requests.begin(), requests.end(),
                            [](const auto& r) { return r.path.endsWith(u"/revoke"); }));
    }

    void largeCachesAreGroupedOffTheGuiThread()
    {
        // An earlier run cached more than the GUI thread may group in one go.
        const qsizetype count = AppState::backgroundGroupingFrom() + 500;
        QList<MessageSummary> cached;
        for (qsizetype i = 0; i < count; ++i) {
            const QString id = QStringLiteral("m%1").arg(i);
            cached.append(MessageSummary{id,
                                         QStringLiteral("t%1").arg(i / 3),
                                         {QStringLiteral("INBOX")},
                                         QStringLiteral("Olá"),
                                         QStringLiteral("Zé"),
                                         QStringLiteral("ze@x.pt"),
                                         QStringLiteral("Assunto"),
                                         i});
        }
        MailStore(ana, m_rig->path(QStringLiteral("cache"))).upsert(cached);
        linkDirectly(ana);
        AppState app(services());
        const QList<ThreadSummary> expected = ThreadSummary::group(cached);

        // The answer comes at once, empty rather than another label's
        // threads, and the grouping follows with threadsChanged.
        QSignalSpy changed(&app, &AppState::threadsChanged);
        app.selectLabel(QStringLiteral("SENT"));
        app.selectLabel(QStringLiteral("INBOX"));
        QVERIFY(app.visibleThreads().isEmpty());
        QVERIFY(changed.wait(30000));
        QTRY_COMPARE_WITH_TIMEOUT(app.visibleThreads(), expected, 30000);
    }

    void searchAndNotificationClicksMoveTheSelection()
    {
        const auto hit = google().deliverMessage(ana, mail(QStringLiteral("Fatura de março")));
        linkDirectly(ana);
        AppState app(services());
        awaitTask(app.startAll());

        app.setSearchText(QStringLiteral(" \tfatura "));
        awaitTask(app.runSearch());
        QVERIFY(app.isSearching());
        QCOMPARE(app.visibleThreads().size(), 1);
        app.setSearchText(QStringLiteral("  \t "));
        awaitTask(app.runSearch());
        QVERIFY(!app.isSearching());

        app.selectLabel(QStringLiteral("SENT"));
        app.setSearchText(QStringLiteral("fatura"));
        awaitTask(app.runSearch());
        m_router->route(QStringLiteral("desconhecido@x.pt"), hit.threadId);
        QCoreApplication::processEvents();
        QCOMPARE(m_broughtToFront, 0);
        QVERIFY(app.isSearching());

        QSignalSpy opened(app.selectedSession(), &AccountSession::openThreadChanged);
        m_router->route(ana, hit.threadId);
        QTRY_COMPARE(m_broughtToFront, 1);
        QCOMPARE(app.selectedLabelId(), QStringLiteral("INBOX"));
        QVERIFY(!app.isSearching());
        QCOMPARE(app.selectedThreadId(), hit.threadId);
        QTRY_VERIFY(!app.selectedSession()->openThreadMessages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_appstate.moc"
