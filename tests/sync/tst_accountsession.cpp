#include "AwaitTask.h"
#include "GoogleRefusal.h"
#include "TestRig.h"
#include "auth/OAuthError.h"
#include "auth/TokenVault.h"
#include "gmail/GmailError.h"
#include "model/MailStore.h"
#include "sync/AccountSession.h"
#include "sync/SyncEngine.h"

#include <QSignalSpy>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;

namespace {

const QString email = u"marta@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;
const QString unread = u"UNREAD"_s;

} // namespace

class TestAccountSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    fakegoogle::FakeGoogle& google() const { return m_rig->google(); }
    RecordingNotificationPoster& poster() const { return *m_rig->poster(); }

    std::unique_ptr<AccountSession> session(bool notifications = true)
    {
        return m_rig->session(AccountIdentity{email, u"Marta"_s}, notifications);
    }

    int requestsTo(const QString& pathEnd) const { return m_rig->requestsEndingWith(pathEnd); }
    fakegoogle::MessageRef deliver(const QString& subject,
                                   const QStringList& labels = {inbox, unread})
    {
        return m_rig->deliver(email, subject, labels);
    }

    /// The cached message of a conversation of one.
    static MessageSummary cached(const AccountSession& s, const QString& threadId)
    {
        for (const MessageSummary& summary : s.store()->snapshot().summaries) {
            if (summary.threadId() == threadId)
                return summary;
        }
        return {};
    }

private slots:
    void init() { m_rig = std::make_unique<TestRig>(QList{AccountIdentity{email, u"Marta"_s}}); }
    void cleanup() { m_rig.reset(); }

    void cachedMailShowsBeforeAnyNetwork()
    {
        {
            MailStore store(email, m_rig->path(u"cache"_s));
            store.setLabels({LabelInfo{inbox, inbox, u"system"_s, 9, 4}});
        }
        const auto s = session();
        QCOMPARE(s->labels().size(), 1);
        QCOMPARE(s->revision(), 1);
        QCOMPARE(s->inboxUnread(), 4);
        QVERIFY(google().requests().isEmpty());

        // Nor does a label loaded once go to the network again.
        awaitTask(s->ensureLabelLoaded(inbox));
        const int revision = s->revision();
        QSignalSpy syncing(s.get(), &AccountSession::isSyncingChanged);
        google().clearRequests();
        awaitTask(s->ensureLabelLoaded(inbox));
        QCOMPARE(s->revision(), revision);
        QVERIFY(syncing.isEmpty());
        QVERIFY(google().requests().isEmpty());
    }

    void restartsApplyWhatChangedAndAnnounceOnlyNewMail()
    {
        QStringList ids;
        for (int i = 0; i < 20; ++i)
            ids.append(deliver(u"Caixa %1"_s.arg(i)).id);
        {
            const auto s = session();
            QCOMPARE(s->inboxUnread(), 0);
            awaitTask(s->startSync());
            QVERIFY(!s->isSyncing());
            QVERIFY(s->lastError().isEmpty());
            QCOMPARE(s->inboxUnread(), 20);
            QCOMPARE(s->store()->snapshot().summaries.size(), 20);
            // Notifications are armed only once the first sync is over.
            QVERIFY(poster().posted().isEmpty());
            deliver(u"Depois"_s);
            awaitTask(s->syncNow());
            QCOMPARE(poster().posted().size(), 1);
            QCOMPARE(poster().posted().first().summary.subject(), u"Depois"_s);
        }
        // Meanwhile, in the web interface: five deleted, ten archived.
        for (const QString& id : ids.mid(0, 5))
            QVERIFY(google().deleteMessage(email, id));
        for (const QString& id : ids.mid(5, 10))
            QVERIFY(google().modifyMessage(email, id, {}, {inbox}));
        google().clearRequests();

        const auto s = session();
        awaitTask(s->startSync());
        QVERIFY(s->lastError().isEmpty());
        const auto cached = s->store()->snapshot().summaries;
        for (const QString& id : ids.mid(0, 5))
            QVERIFY(!cached.contains(id));
        for (const QString& id : ids.mid(5, 10))
            QVERIFY(!cached.value(id).hasLabel(inbox));
        QCOMPARE(s->store()->summaries(inbox).size(), 6);
        QCOMPARE(requestsTo(u"/profile"_s), 0);

        // Switched off: the engine hears the news and tells no one.
        const auto silent = session(false);
        awaitTask(silent->startSync());
        deliver(u"Calado"_s);
        awaitTask(silent->syncNow());
        QCOMPARE(poster().posted().size(), 1);
    }

    void openingAThreadMarksItReadOnlyWhenUnread()
    {
        const auto read = deliver(u"Lida"_s, {inbox});
        const auto fresh = deliver(u"Nova"_s);
        const auto s = session();
        awaitTask(s->startSync());

        google().clearRequests();
        awaitTask(s->openThread(read.threadId));
        QCOMPARE(google().requests().size(), 1);
        QCOMPARE(s->openThreadMessages().size(), 1);
        QCOMPARE(s->openThreadId(), read.threadId);

        awaitTask(s->openThread(fresh.threadId));
        QVERIFY(!s->openThreadMessages().isEmpty());
        QVERIFY(s->openThreadMessages().first().labelIds.contains(unread));
        QCOMPARE(requestsTo(u"/modify"_s), 1);
        QVERIFY(!google().labelIds(email, fresh.id).contains(unread));
        QVERIFY(!cached(*s, fresh.threadId).hasLabel(unread));

        // Offline: the error is the open thread's, where the person asked
        // (the account's sync is fine), and nothing is marked read.
        const auto later = deliver(u"Sem rede"_s);
        // A sync already running (after the change was sent) makes this
        // one wait its turn, so it may return before the message is in.
        awaitTask(s->syncNow());
        QTRY_VERIFY(!s->store()->threadMessages({later.threadId}).isEmpty());
        google().failNext(u".*/threads/.*"_s, 503, 10);
        QCoro::Task<> opening = s->openThread(later.threadId);
        QVERIFY(s->isOpeningThread() && !s->openThreadError());
        awaitTask(std::move(opening));
        QVERIFY(!s->isOpeningThread() && s->openThreadError());
        QVERIFY(s->openThreadError()->text.contains(u"503"));
        QVERIFY(s->lastError().isEmpty());
        QCOMPARE(s->openThreadId(), later.threadId);
        QVERIFY(s->openThreadMessages().isEmpty());
        QVERIFY(cached(*s, later.threadId).hasLabel(unread));
    }

    void openedThreadsReadAndChangeOfflineAfterARestart()
    {
        const auto kept = deliver(u"Guardada"_s, {inbox});
        const auto never = deliver(u"Nunca aberta"_s, {inbox});
        QList<FullMessage> first;
        {
            const auto s = session();
            awaitTask(s->startSync());
            awaitTask(s->openThread(kept.threadId));
            first = s->openThreadMessages();
            QCOMPARE(first.size(), 1);

            // Opened again, the kept copy shows at once, without a wait, and
            // Google's newer answer replaces it (and is kept in turn).
            QVERIFY(google().modifyMessage(email, kept.id, {u"STARRED"_s}, {}));
            QCoro::Task<> opening = s->openThread(kept.threadId);
            QVERIFY(!s->isOpeningThread());
            QCOMPARE(s->openThreadMessages(), first);
            awaitTask(std::move(opening));
            QVERIFY(s->openThreadMessages().first().labelIds.contains(u"STARRED"_s));
            first = s->openThreadMessages();
        }
        google().stop();

        // The next run, without Google: the conversation reads as it was,
        // with no error; one never opened says it could not be fetched.
        const auto s = session();
        QCoro::Task<> opening = s->openThread(kept.threadId);
        QVERIFY(!s->isOpeningThread());
        QCOMPARE(s->openThreadMessages(), first);
        awaitTask(std::move(opening));
        QCOMPARE(s->openThreadMessages(), first);
        QVERIFY(!s->openThreadError());
        awaitTask(s->openThread(never.threadId));
        QVERIFY(s->openThreadMessages().isEmpty());
        QVERIFY(s->openThreadError());

        // Still without Google, actions change the cache at once.
        awaitTask(s->openThread(kept.threadId));
        const auto labels = [&](const QString& threadId, const QString& add,
                                const QString& remove) {
            awaitTask(s->makeChange(PendingChange::labels(QStringList(threadId), QStringList(add),
                                                          QStringList(remove))));
        };
        labels(never.threadId, {}, inbox);
        QVERIFY(!cached(*s, never.threadId).hasLabel(inbox));
        labels(never.threadId, unread, {});
        const int waiting = s->waitingChanges();
        // Already unread: a change that changes nothing is not kept.
        labels(never.threadId, unread, {});
        QCOMPARE(s->waitingChanges(), waiting);
        QCOMPARE(cached(*s, never.threadId).labelIds().count(unread), 1);
        labels(never.threadId, u"Label_1"_s, {});
        QVERIFY(cached(*s, never.threadId).hasLabel(u"Label_1"_s));

        // The trash is a place, as at Gmail: out of every other list.
        awaitTask(s->makeChange(PendingChange::trash(QStringList(never.threadId))));
        QVERIFY(cached(*s, never.threadId).hasLabel(u"TRASH"_s));
        QVERIFY(s->store()->summaries(u"Label_1"_s).isEmpty());
        QCOMPARE(s->openThreadId(), kept.threadId);
        awaitTask(s->makeChange(PendingChange::trash(QStringList(kept.threadId))));
        QVERIFY(s->openThreadId().isEmpty() && s->openThreadMessages().isEmpty());
        QCOMPARE(s->waitingChanges(), waiting + 3);
    }

    void errorsSayWhatToDoNext()
    {
        // Google no longer takes the refresh token: only linking again helps.
        const auto s = session();
        const TokenSet current = m_rig->tokensFor(email);
        s->vault()->saveTokenSet(TokenSet{current.accessToken, u"revogado"_s,
                                          QDateTime::currentDateTimeUtc().addSecs(-60),
                                          current.scope});
        awaitTask(s->startSync());
        QVERIFY(!s->lastError().isEmpty());
        QCOMPARE(s->lastErrorKind(), SessionError::Kind::NeedsRelink);
        QVERIFY(s->lastFailure()->details.contains(u"invalid_grant"_s));

        // (Which refusal needs a new link is the table of errorKinds.)
        s->vault()->saveTokenSet(m_rig->tokensFor(email));
        // No Google at all: it passes by itself.
        google().stop();
        awaitTask(s->syncNow());
        QCOMPARE(s->lastErrorKind(), SessionError::Kind::Offline);

        using Kind = SessionError::Kind;
        QCOMPARE(SessionError::from(GmailError::transport(u"x"_s)).kind, Kind::Offline);
        QCOMPARE(SessionError::from(NetworkError(u"Connection refused"_s)).kind, Kind::Offline);
        QCOMPARE(SessionError::from(GmailError::unauthorized()).kind, Kind::NeedsRelink);
    }

    void errorKinds_data()
    {
        using Kind = SessionError::Kind;
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("tokenEndpoint"); // else the Gmail API
        QTest::addColumn<Kind>("kind");

        const auto gmail = [](const char* name, int status, const QByteArray& body, Kind kind) {
            QTest::newRow(name) << status << body << false << kind;
        };
        const auto token = [](const char* name, int status, const QByteArray& body, Kind kind) {
            QTest::newRow(name) << status << body << true << kind;
        };
        gmail("429", 429, {}, Kind::Quota);
        gmail("daily quota", 403, googleRefusal("dailyLimitExceeded"), Kind::Quota);
        gmail("Gmail scope missing", 403,
              googleRefusal("insufficientPermissions", u"Rate Limit Exceeded"_s),
              Kind::NeedsRelink);
        gmail("refused after a fresh token", 401, {}, Kind::NeedsRelink);
        gmail("server error", 500, {}, Kind::Other);
        token("grant revoked", 400, R"({"error":"invalid_grant"})", Kind::NeedsRelink);
        token("client refused", 401,
              R"({"error":"invalid_client","error_description":"Unauthorized"})",
              Kind::NeedsRelink);
        token("description naming a refusal", 400,
              R"({"error":"invalid_request","error_description":"not invalid_grant"})",
              Kind::Other);
    }

    void errorKinds()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, tokenEndpoint);

        const GoogleErrorBody answer = GoogleErrorBody::parse(status, body);
        const SessionError error = tokenEndpoint ? SessionError::from(OAuthError::http(answer))
                                                 : SessionError::from(GmailError::http(answer));
        QTEST(error.kind, "kind");
        QVERIFY(error.details.startsWith(u"HTTP %1: "_s.arg(status)));
    }
};

QTEST_GUILESS_MAIN(TestAccountSession)
#include "tst_accountsession.moc"
