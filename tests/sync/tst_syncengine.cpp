#include "AwaitTask.h"
#include "FakeGoogle.h"
#include "GoogleRig.h"
#include "SimpleMessage.h"
#include "gmail/GmailError.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/QNetworkTransport.h"
#include "gmail/StaticTokenProvider.h"
#include "model/MailStore.h"
#include "notifications/RecordingNotificationPoster.h"
#include "sync/SyncEngine.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using vesk::test::awaitTask;
using namespace std::chrono_literals;
using fakegoogle::FakeGoogle;

namespace {

const QString email = QStringLiteral("rui@exemplo.pt");
const QString inbox = QStringLiteral("INBOX");
const QString unread = QStringLiteral("UNREAD");

QByteArray mail(const QString& subject)
{
    fakegoogle::SimpleMessage message;
    message.from = QStringLiteral("Inês <ines@x.pt>");
    message.to = email;
    message.subject = subject;
    message.text = QStringLiteral("Olá, tudo bem?");
    return message.toRfc822();
}

/// Changes the mailbox as another Gmail client would, through the API.
void changeAsAnotherClient(FakeGoogle& google, const QByteArray& method, const QString& path,
                           const QByteArray& body = {})
{
    QNetworkTransport transport;
    HTTPRequest request;
    request.url = QUrl(google.gmailBaseUrl().toString() + path);
    request.method = method;
    const QString token = google.issueTokens(email, QStringLiteral("cid")).accessToken;
    request.headers.append(
        qMakePair(QByteArrayLiteral("Authorization"), "Bearer " + token.toUtf8()));
    if (!body.isEmpty()) {
        request.body = body;
        request.headers.append(
            qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json")));
    }
    const HTTPResponse response = awaitTask(transport.send(request));
    QVERIFY(response.statusCode && *response.statusCode / 100 == 2);
}

} // namespace

class TestSyncEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakeGoogle> m_google;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<MailStore> m_store;
    std::shared_ptr<RecordingNotificationPoster> m_poster;
    std::unique_ptr<SyncEngine> m_engine;

    int requestsTo(const QString& pathEnd) const
    {
        return test::requestsEndingWith(*m_google, pathEnd);
    }

    QSet<QString> cachedIds() const
    {
        const auto keys = m_store->snapshot().summaries.keys();
        return QSet<QString>(keys.begin(), keys.end());
    }

private slots:
    void init()
    {
        m_google = std::make_unique<FakeGoogle>();
        QVERIFY(m_google->start());
        m_google->registerClient(QStringLiteral("cid"), QStringLiteral("s"));
        m_google->addAccount(email, QStringLiteral("Rui"));
        for (int i = 0; i < 80; ++i)
            m_google->addMessage(email, mail(QStringLiteral("Antiga %1").arg(i)), {inbox},
                                 QDateTime::currentDateTimeUtc().addSecs(-3600 - i));
        const QString token =
            m_google->issueTokens(email, QStringLiteral("cid"), 3600s).accessToken;
        auto api = std::make_shared<LiveGmailAPI>(
            std::make_shared<QNetworkTransport>(), std::make_shared<StaticTokenProvider>(token),
            GmailEndpoints{m_google->gmailBaseUrl(), m_google->userInfoUrl()},
            RetryPolicy{2, 5ms, 20ms});
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_shared<MailStore>(email, m_dir->path());
        m_poster = std::make_shared<RecordingNotificationPoster>();
        m_engine = std::make_unique<SyncEngine>(AccountIdentity{email, QStringLiteral("Rui")}, api,
                                                m_store, m_poster);
    }

    void cleanup()
    {
        m_engine.reset();
        m_google.reset();
    }

    void firstSyncFetchesProfileLabelsAndOneInboxPage()
    {
        QSignalSpy changed(m_engine.get(), &SyncEngine::changed);
        awaitTask(m_engine->syncNow());
        QVERIFY(!changed.isEmpty());
        QVERIFY(!m_engine->lastError());
        const MailStore::State state = m_store->snapshot();
        QCOMPARE(state.historyId, QString::number(m_google->historyId(email)));
        QCOMPARE(state.summaries.size(), 75);
        QVERIFY(state.loadedLabels.contains(inbox));
        // The inbox's unread count comes along although Gmail's list has none.
        const auto inboxLabel = std::find_if(state.labels.begin(), state.labels.end(),
                                             [](const LabelInfo& l) { return l.id == inbox; });
        QVERIFY(inboxLabel != state.labels.end());
        QCOMPARE(inboxLabel->messagesTotal, 80);
        QCOMPARE(requestsTo(QStringLiteral("/history")), 0);
        QCOMPARE(requestsTo(QStringLiteral("/profile")), 1);
    }

    void incrementalSyncAppliesEveryKindOfChange()
    {
        awaitTask(m_engine->initialSync());
        m_engine->setNotificationsArmed(true);
        const QString cached = m_google->messageIds(email).first();

        const auto fresh = m_google->deliverMessage(email, mail(QStringLiteral("Nova")));
        const auto readAlready =
            m_google->deliverMessage(email, mail(QStringLiteral("Lida")), {inbox});
        const auto archivedUnread =
            m_google->deliverMessage(email, mail(QStringLiteral("Fora")), {unread});
        const QString draft = m_google->addDraft(email, mail(QStringLiteral("Rascunho")));
        const QString draftMessage = m_google->messageIds(email).first();
        // Created and deleted within one history answer: removed, never fetched.
        changeAsAnotherClient(*m_google, "DELETE", QStringLiteral("/drafts/") + draft);
        // A label change on a cached message refetches it whole.
        changeAsAnotherClient(
            *m_google, "POST",
            QStringLiteral("/threads/%1/modify").arg(m_google->threadId(email, cached)),
            R"({"addLabelIds":["UNREAD","STARRED"],"removeLabelIds":[]})");
        m_google->clearRequests();

        QSignalSpy changed(m_engine.get(), &SyncEngine::changed);
        awaitTask(m_engine->syncNow());
        QCOMPARE(changed.size(), 1);
        QVERIFY(!m_engine->lastError());
        const QSet<QString> ids = cachedIds();
        QVERIFY(ids.contains(fresh.id) && ids.contains(readAlready.id) &&
                ids.contains(archivedUnread.id));
        QVERIFY(!ids.contains(draftMessage));
        QCOMPARE(requestsTo(QStringLiteral("/messages/") + draftMessage), 0);
        QVERIFY(m_store->snapshot().summaries.value(cached).hasLabel(QStringLiteral("STARRED")));
        QCOMPARE(m_store->snapshot().historyId, QString::number(m_google->historyId(email)));

        // Only the message that is new, unread and in the inbox is announced;
        // the cached one that became unread again is not.
        const auto posted = m_poster->posted();
        QCOMPARE(posted.size(), 1);
        QCOMPARE(posted.first().summary.id(), fresh.id);
        QCOMPARE(posted.first().account.email, email);
    }

    void nothingIsAnnouncedBeforeArming()
    {
        m_google->deliverMessage(email, mail(QStringLiteral("Cedo")));
        awaitTask(m_engine->initialSync());
        m_google->deliverMessage(email, mail(QStringLiteral("Antes de armar")));
        awaitTask(m_engine->syncNow());
        QVERIFY(m_poster->posted().isEmpty());
        QCOMPARE(cachedIds().size(), 76);
    }

    void expiredHistoryFallsBackToAFirstSync()
    {
        awaitTask(m_engine->initialSync());
        m_google->deliverMessage(email, mail(QStringLiteral("Depois")));
        m_google->expireHistoryBefore(email, m_google->historyId(email));
        m_google->clearRequests();
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        QCOMPARE(requestsTo(QStringLiteral("/profile")), 1);
        QCOMPARE(m_store->snapshot().historyId, QString::number(m_google->historyId(email)));
    }

    void everyHistoryPageIsAppliedBeforeTheIdMoves()
    {
        awaitTask(m_engine->initialSync());
        QStringList delivered;
        for (int i = 0; i < 130; ++i)
            delivered.append(
                m_google->deliverMessage(email, mail(QStringLiteral("Lote %1").arg(i))).id);
        m_google->clearRequests();
        awaitTask(m_engine->syncNow());
        QVERIFY2(!m_engine->lastError(), qPrintable(m_engine->lastError().value_or(QString())));
        QVERIFY(requestsTo(QStringLiteral("/history")) >= 2);
        const QSet<QString> ids = cachedIds();
        for (const QString& id : delivered)
            QVERIFY(ids.contains(id));
    }

    void onlyAMissingMessageLeavesTheCache()
    {
        awaitTask(m_engine->initialSync());
        const QString start = m_store->snapshot().historyId;
        const auto first = m_google->deliverMessage(email, mail(QStringLiteral("Um")));
        const auto second = m_google->deliverMessage(email, mail(QStringLiteral("Dois")));

        // A passing server error: the step fails and the range is retried.
        m_google->failNext(QStringLiteral(".*/messages/") + first.id, 500, 5);
        awaitTask(m_engine->syncNow());
        QVERIFY(m_engine->lastError()->startsWith(u"HTTP 500"));
        QCOMPARE(m_store->snapshot().historyId, start);
        m_google->clearFaults();
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        QVERIFY(cachedIds().contains(first.id) && cachedIds().contains(second.id));

        // Gone at Google: dropped from the cache, the rest applied.
        changeAsAnotherClient(*m_google, "POST",
                              QStringLiteral("/threads/%1/modify").arg(first.threadId),
                              R"({"addLabelIds":["STARRED"],"removeLabelIds":[]})");
        m_google->failNext(QStringLiteral(".*/messages/") + first.id, 404, 5);
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        QVERIFY(!cachedIds().contains(first.id));
        QVERIFY(cachedIds().contains(second.id));
    }

    void labelPagesAndSearches()
    {
        QSignalSpy changed(m_engine.get(), &SyncEngine::changed);
        const QString label = m_google->addLabel(email, QStringLiteral("Família"));
        const auto tagged = m_google->addMessage(email, mail(QStringLiteral("Jantar")), {label});
        m_google->failNext(QStringLiteral(".*/messages/") + tagged.id, 500, 5);
        QVERIFY_THROWS_EXCEPTION(GmailError, awaitTask(m_engine->loadLabelMessages(label, 75)));
        QVERIFY(m_store->snapshot().summaries.isEmpty());
        QVERIFY(!m_store->snapshot().loadedLabels.contains(label));
        QCOMPARE(changed.size(), 0);
        m_google->clearFaults();
        awaitTask(m_engine->loadLabelMessages(label, 75));
        QCOMPARE(m_store->summaries(label).size(), 1);
        QCOMPARE(changed.size(), 1);

        const QList<MessageSummary> hits =
            awaitTask(m_engine->search(QStringLiteral("subject:Antiga"), 50));
        QCOMPARE(hits.size(), 50);
        for (qsizetype i = 1; i < hits.size(); ++i)
            QVERIFY(hits[i - 1].internalDateMs() >= hits[i].internalDateMs());
        QCOMPARE(m_store->snapshot().summaries.size(), 51);
        QCOMPARE(changed.size(), 1);
    }

    void periodicLoopIsSingleAndDiesWithTheEngine()
    {
        awaitTask(m_engine->initialSync());
        QSignalSpy changed(m_engine.get(), &SyncEngine::changed);
        m_engine->start(20ms);
        QVERIFY(changed.wait(10000));
        // A new start replaces the running loop: nothing more for an hour.
        m_engine->start(1h);
        changed.clear();
        QVERIFY(!changed.wait(300));

        m_engine->start(20ms);
        m_engine.reset();
        m_google->clearRequests();
        QTest::qWait(300);
        QCOMPARE(requestsTo(QStringLiteral("/history")), 0);
    }
};

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
