#include "AwaitTask.h"
#include "TestRig.h"
#include "VirtualClock.h"
#include "gmail/GmailError.h"
#include "model/MailStore.h"
#include "sync/SyncEngine.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;
using vesk::test::awaitTask;
using namespace std::chrono_literals;

namespace {

const QString email = u"rui@exemplo.pt"_s;
const QString inbox = u"INBOX"_s;
const QString unread = u"UNREAD"_s;

} // namespace

class TestSyncEngine : public QObject
{
    Q_OBJECT

    std::shared_ptr<test::VirtualClock> m_clock;
    std::unique_ptr<test::TestRig> m_rig;
    fakegoogle::FakeGoogle* m_google = nullptr;
    std::shared_ptr<MailStore> m_store;
    std::unique_ptr<SyncEngine> m_engine;

    int requestsTo(const QString& pathEnd) const { return m_rig->requestsEndingWith(pathEnd); }
    fakegoogle::MessageRef deliver(const QString& subject,
                                   const QStringList& labels = {inbox, unread})
    {
        return m_rig->deliver(email, subject, labels);
    }

    void makeEngine(std::shared_ptr<SyncClock> clock = nullptr)
    {
        m_engine = std::make_unique<SyncEngine>(AccountIdentity{email, u"Rui"_s},
                                                m_rig->gmailClient(email), m_store, m_rig->poster(),
                                                std::move(clock));
    }

    QSet<QString> cachedIds() const
    {
        const auto keys = m_store->snapshot().summaries.keys();
        return QSet<QString>(keys.begin(), keys.end());
    }

    /// Google's 2026 quota, and an engine and a stand-in that share a clock
    /// which moves only while the engine waits for quota.
    void useQuotaOnVirtualTime()
    {
        m_clock = std::make_shared<test::VirtualClock>();
        m_google->setClock(m_clock->googleClock());
        m_google->setQuotaModel(fakegoogle::QuotaModel::PerMinute2026);
        makeEngine(m_clock);
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<test::TestRig>(QList{AccountIdentity{email, u"Rui"_s}});
        m_google = &m_rig->google();
        for (int i = 0; i < 80; ++i)
            m_google->addMessage(email, test::TestRig::mail(email, u"Antiga %1"_s.arg(i)), {inbox},
                                 QDateTime::currentDateTimeUtc().addSecs(-3600 - i));
        m_store = std::make_shared<MailStore>(email, m_rig->path(u"cache"_s));
        makeEngine();
    }

    void cleanup()
    {
        m_engine.reset();
        m_rig.reset();
        m_clock.reset();
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
        QCOMPARE(requestsTo(u"/history"_s), 0);
        QCOMPARE(requestsTo(u"/profile"_s), 1);

        // Until armed, new mail is cached but announced to no one.
        deliver(u"Antes de armar"_s);
        awaitTask(m_engine->syncNow());
        QVERIFY(m_rig->poster()->posted().isEmpty());
        QCOMPARE(cachedIds().size(), 76);
    }

    void incrementalSyncAppliesEveryKindOfChange()
    {
        awaitTask(m_engine->initialSync());
        m_engine->setNotificationsArmed(true);
        const QString cached = m_google->messageIds(email).constFirst();

        const auto fresh = deliver(u"Nova"_s);
        const auto readAlready = deliver(u"Lida"_s, {inbox});
        const auto archivedUnread = deliver(u"Fora"_s, {unread});
        m_google->addDraft(email, test::TestRig::mail(email, u"Rascunho"_s));
        const QString draftMessage = m_google->messageIds(email).constFirst();
        // Created and deleted within one history answer: removed, never fetched.
        QVERIFY(m_google->deleteMessage(email, draftMessage));
        // A cached message changed elsewhere, and unread again.
        QVERIFY(m_google->modifyMessage(email, cached, {unread, u"STARRED"_s}, {}));
        m_google->clearRequests();

        QSignalSpy changed(m_engine.get(), &SyncEngine::changed);
        awaitTask(m_engine->syncNow());
        QCOMPARE(changed.size(), 1);
        QVERIFY(!m_engine->lastError());
        const QSet<QString> ids = cachedIds();
        QVERIFY(ids.contains(fresh.id) && ids.contains(readAlready.id) &&
                ids.contains(archivedUnread.id));
        QVERIFY(!ids.contains(draftMessage));
        QCOMPARE(requestsTo(u"/messages/"_s + draftMessage), 0);
        // Relabelled from what the history says, without fetching it again.
        QVERIFY(m_store->snapshot().summaries.value(cached).hasLabel(u"STARRED"_s));
        QCOMPARE(requestsTo(u"/messages/"_s + cached), 0);
        QCOMPARE(m_store->snapshot().historyId, QString::number(m_google->historyId(email)));

        // Only the message that is new, unread and in the inbox is announced;
        // the cached one that became unread again is not.
        const auto posted = m_rig->poster()->posted();
        QCOMPARE(posted.size(), 1);
        QCOMPARE(posted.first().summary.id(), fresh.id);
        QCOMPARE(posted.first().account.email, email);
    }

    void aFailedStepKeepsItsProgress()
    {
        // An interrupted first sync resumes where it stopped.
        const QString failing = m_google->messageIds(email).at(10);
        m_google->failNext(u".*/messages/"_s + failing, 503, 10);
        awaitTask(m_engine->initialSync());
        QVERIFY(m_engine->lastError()->startsWith(u"HTTP 503"));
        QVERIFY(m_store->snapshot().historyId.isEmpty());
        const int fetchedFirst = int(cachedIds().size());
        QVERIFY(fetchedFirst > 0 && fetchedFirst < 75);

        m_google->clearFaults();
        m_google->clearRequests();
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        QCOMPARE(cachedIds().size(), 75);
        QVERIFY(m_store->snapshot().loadedLabels.contains(inbox));
        QVERIFY(!m_store->snapshot().historyId.isEmpty());
        int fetches = 0;
        for (const auto& request : m_google->requests())
            fetches += request.path.contains(u"/messages/") ? 1 : 0;
        QCOMPARE(fetches, 75 - fetchedFirst);

        const QString start = m_store->snapshot().historyId;
        QStringList delivered;
        for (int i = 0; i < 30; ++i)
            delivered.append(deliver(u"Lote %1"_s.arg(i)).id);

        // A passing server error fails the step; what was fetched stays, the
        // history id does not move, and the next tick fetches only the rest.
        m_google->failNext(u".*/messages/"_s + delivered.first(), 500, 5);
        awaitTask(m_engine->syncNow());
        QVERIFY(m_engine->lastError()->startsWith(u"HTTP 500"));
        QCOMPARE(m_store->snapshot().historyId, start);
        // How many arrived before the failure stopped the step depends on timing.
        const QSet<QString> kept =
            cachedIds().intersect(QSet<QString>(delivered.begin(), delivered.end()));
        QVERIFY(!kept.contains(delivered.first()));
        m_google->clearFaults();
        m_google->clearRequests();
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        for (const QString& id : delivered) {
            QVERIFY(cachedIds().contains(id));
            QCOMPARE(requestsTo(u"/messages/"_s + id), kept.contains(id) ? 0 : 1);
        }
        QCOMPARE(m_store->snapshot().historyId, QString::number(m_google->historyId(email)));

        // Gone at Google before it could be fetched: dropped, the rest applied.
        const auto gone = deliver(u"Fugaz"_s);
        const auto stays = deliver(u"Fica"_s);
        m_google->failNext(u".*/messages/"_s + gone.id, 404, 5);
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        QVERIFY(!cachedIds().contains(gone.id) && cachedIds().contains(stays.id));
    }

    void quotaIsSpentWellAndRefusalsWaitedOut()
    {
        useQuotaOnVirtualTime();
        awaitTask(m_engine->initialSync());
        // A refusal waits as long as Google says.
        const auto limited = deliver(u"Espera"_s);
        // Twice: every attempt the client makes on its own.
        auto refusal = test::TestRig::answering(u".*/messages/"_s + limited.id, 429, {}, 2);
        refusal.headers = {{"Retry-After", "30"}};
        m_google->addFault(refusal);
        const qint64 refused = m_clock->elapsedMs();
        awaitTask(m_engine->syncNow());
        QVERIFY(!m_engine->lastError());
        QVERIFY(cachedIds().contains(limited.id));
        QVERIFY(m_clock->elapsedMs() - refused >= 30000);

        // Many new messages converge within the quota.
        m_engine->setNotificationsArmed(true);
        QStringList delivered;
        for (int i = 0; i < 500; ++i)
            delivered.append(deliver(u"Campanha %1"_s.arg(i)).id);
        m_google->resetUnits();
        m_google->clearRequests();
        const qint64 before = m_clock->elapsedMs();

        awaitTask(m_engine->syncNow());
        QVERIFY2(!m_engine->lastError(), qPrintable(m_engine->lastError().value_or(QString())));
        // Every history page is applied, and the id moves to the last one's.
        QVERIFY(requestsTo(u"/history"_s) >= 2);
        const QSet<QString> ids = cachedIds();
        for (const QString& id : delivered)
            QVERIFY(ids.contains(id));
        QCOMPARE(m_store->snapshot().historyId, QString::number(m_google->historyId(email)));
        QCOMPARE(m_google->quotaRefusals(email), 0);
        QCOMPARE(m_rig->poster()->posted().size(), 500);
        const qint64 minimum = 500 * 20 + 2 * requestsTo(u"/history"_s) + 2;
        const qint64 spent = m_google->unitsSpent(email);
        const qint64 took = m_clock->elapsedMs() - before;
        qInfo("500 new messages: %lld units (minimum %lld) in %lld s of quota time", spent, minimum,
              took / 1000);
        QVERIFY(spent <= minimum * 11 / 10);
        // 10,000 units at 4,800 a minute: the third minute's window is enough.
        QVERIFY(took <= 3 * 60 * 1000);
    }

    void labelPagesAndSearches()
    {
        QSignalSpy changed(m_engine.get(), &SyncEngine::changed);
        const QString label = m_google->addLabel(email, u"Família"_s);
        const auto tagged = deliver(u"Jantar"_s, {label});
        m_google->failNext(u".*/messages/"_s + tagged.id, 500, 5);
        QVERIFY_THROWS_EXCEPTION(GmailError, awaitTask(m_engine->loadLabelMessages(label, 75)));
        QVERIFY(m_store->snapshot().summaries.isEmpty());
        QVERIFY(!m_store->snapshot().loadedLabels.contains(label));
        QCOMPARE(changed.size(), 0);
        m_google->clearFaults();
        awaitTask(m_engine->loadLabelMessages(label, 75));
        QCOMPARE(m_store->summaries(label).size(), 1);
        QCOMPARE(changed.size(), 1);

        const QList<MessageSummary> hits =
            awaitTask(m_engine->searchPage(u"subject:Antiga"_s, 50, {}, 0)).messages;
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
        QCOMPARE(requestsTo(u"/history"_s), 0);
    }
};

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
