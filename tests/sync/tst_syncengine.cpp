// The sync engine: its decisions, without a network (what a history range
// and a full synchronisation's label pages ask of the cache); and against
// the stand-in, first, incremental and interrupted syncs, Google's quota, and
// a label's older pages, to the end of a long label, kept current by the
// history and by a full synchronisation, and remembered in the cache.

#include "AwaitTask.h"
#include "EngineRig.h"
#include "TestFiles.h"
#include "gmail/GmailError.h"
#include "gmail/GmailQuota.h"
#include "gmail/WireRecords.h"
#include "model/MailJson.h"
#include "net/RetryPolicy.h"
#include "sync/HistoryPlan.h"
#include "sync/ReconcilePlan.h"

#include <QCoroTask>
#include <QRegularExpression>
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
constexpr int pageSize = SyncEngine::firstPageSize;

QStringList words(const QString& text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

/// "a@20[INBOX,UNREAD] b[L1]": cached summaries, with a date when it matters.
SummaryTable cacheOf(const QString& text)
{
    static const QRegularExpression entry(u"^(\\w+)(?:@(\\d+))?\\[([\\w,]*)\\]$"_s);
    SummaryTable table;
    for (const QString& word : words(text)) {
        const QRegularExpressionMatch m = entry.match(word);
        Q_ASSERT(m.hasMatch());
        table.insert(MessageSummary(m.captured(1), m.captured(1),
                                    m.captured(3).split(u',', Qt::SkipEmptyParts), {}, {}, {}, {},
                                    m.captured(2).toLongLong()));
    }
    return table;
}

/// The same notation without dates, sorted: "id[labels]".
QStringList described(const QList<MessageSummary>& summaries)
{
    QStringList out;
    for (const MessageSummary& summary : summaries)
        out.append(summary.id() + u'[' + summary.labelIds().join(u',') + u']');
    out.sort();
    return out;
}

/// History pages separated by "|"; in a page, one record per word:
/// "+id" added, "-id" deleted, "~id" labels added, "^id" labels removed, each
/// with "{labels}" when Google said which labels changed and "[labels]" when
/// it said which the message carries after it; "@n" is the page's history id.
QList<HistoryListDTO> historyOf(const QString& text)
{
    static const QRegularExpression entry(
        u"^([-+~^])(\\w+)(?:\\{([\\w,]*)\\})?(?:\\[([\\w,]*)\\])?$"_s);
    using Record = HistoryListDTO::Record;
    QList<HistoryListDTO> pages;
    for (const QString& pageText : text.split(u'|')) {
        HistoryListDTO page;
        page.history.emplace();
        for (const QString& word : words(pageText)) {
            if (word.startsWith(u'@')) {
                page.historyId = word.mid(1);
                continue;
            }
            const QRegularExpressionMatch m = entry.match(word);
            Q_ASSERT(m.hasMatch());
            MessageDTO message;
            message.id = m.captured(2);
            message.threadId = message.id;
            if (m.hasCaptured(4))
                message.labelIds = m.captured(4).split(u',', Qt::SkipEmptyParts);
            std::optional<QStringList> changed;
            if (m.hasCaptured(3))
                changed = m.captured(3).split(u',', Qt::SkipEmptyParts);
            Record record;
            const QChar kind = m.captured(1).at(0);
            if (kind == u'+' || kind == u'-') {
                (kind == u'+' ? record.messagesAdded : record.messagesDeleted)
                    .emplace({Record::MessageRef{message, std::nullopt}});
            } else {
                (kind == u'~' ? record.labelsAdded : record.labelsRemoved)
                    .emplace({Record::LabelChange{message, changed}});
            }
            page.history->append(record);
        }
        pages.append(page);
    }
    return pages;
}

/// Label pages separated by "|": "INBOX: a b" is a first page with more
/// after it, "INBOX! a b" the label's whole content.
QList<ReconcilePlan::Page> pagesOf(const QString& text)
{
    QList<ReconcilePlan::Page> pages;
    for (const QString& pageText : text.split(u'|', Qt::SkipEmptyParts)) {
        const QString trimmed = pageText.trimmed();
        const qsizetype mark = trimmed.indexOf(QRegularExpression(u"[:!]"_s));
        pages.append({trimmed.left(mark), words(trimmed.mid(mark + 1)), trimmed.at(mark) == u'!'});
    }
    return pages;
}

QSet<QString> setOf(const QString& text)
{
    const QStringList list = words(text);
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class TestSyncEngine : public QObject
{
    Q_OBJECT

    std::optional<test::EngineRig> m;

    int requestsTo(const QString& pathEnd) const { return m->rig.requestsEndingWith(pathEnd); }
    fakegoogle::MessageRef deliver(const QString& subject,
                                   const QStringList& labels = {inbox, unread})
    {
        return m->rig.deliver(email, subject, labels);
    }

    QSet<QString> cachedIds() const { return m->cachedIds(); }

    /// Eighty read messages in the inbox, an hour old and more.
    void seedOld()
    {
        for (int i = 0; i < 80; ++i)
            m->google.addMessage(email, test::TestRig::mail(email, u"Antiga %1"_s.arg(i)), {inbox},
                                 QDateTime::currentDateTimeUtc().addSecs(-3600 - i));
    }

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
    void init() { m.emplace(AccountIdentity{email, u"Rui"_s}); }
    void cleanup() { m.reset(); }

    // A plan in the history notation: "-id" removed, "~id[labels]" relabelled,
    // "+id" fetched, in that order, then "@n" where history stands.
    void historyPlan_data()
    {
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QString>("fetchedBefore");
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("loaded");
        const auto row = [](const char* name, const char* history, const char* cache,
                            const char* fetchedBefore, const char* plan,
                            const char* loaded = "INBOX") {
            QTest::newRow(name) << QString::fromLatin1(history) << QString::fromLatin1(cache)
                                << QString::fromLatin1(fetchedBefore) << QString::fromLatin1(plan)
                                << QString::fromLatin1(loaded);
        };
        row("empty history still moves the history id", "@9", "a[INBOX]", "", "@9");
        row("no page says where history stands", "", "", "", "");
        row("the last page that says wins", "+a[INBOX] @5 | ~a[INBOX,STARRED] @7 |", "", "",
            "+a @7");
        // Deletion wins over anything else the range says of a message.
        row("added then deleted in one page", "+a[INBOX,UNREAD] ~a[INBOX] -a @5", "", "", "-a @5");
        row("relabelled then deleted on a later page", "~a[INBOX] | -a | -a", "a[INBOX,UNREAD]", "",
            "-a");
        row("deleted messages the cache never held", "-x -y -x", "a[INBOX]", "", "-x -y");
        // A cached message takes the labels its last change reports.
        row("label added to a cached message", "~a[INBOX,UNREAD,STARRED]", "a[INBOX,UNREAD]", "",
            "~a[INBOX,UNREAD,STARRED]");
        row("label removed from a cached message", "^a[INBOX]", "a[INBOX,UNREAD]", "", "~a[INBOX]");
        row("labels as cached cost nothing", "~a[INBOX] ^a[INBOX]", "a[INBOX]", "", "");
        row("the same message across pages is relabelled once, last word wins",
            "~a[INBOX,STARRED] | ^a[STARRED] | ~a[L1]", "a[INBOX]", "", "~a[L1]");
        row("last change without labels means a fetch", "~a[INBOX,STARRED] ^a", "a[INBOX]", "",
            "+a");
        // A message the cache lacks lies below every loaded page: its label
        // changes cost nothing unless it is new mail or newly in a loaded label.
        row("new mail is fetched whatever its labels", "+a[L2]", "", "", "+a");
        row("uncached message in the inbox marked read", "^a{UNREAD}[INBOX] ^b{UNREAD}[INBOX]",
            "c[INBOX]", "", "");
        row("uncached message in the inbox starred", "~a{STARRED}[INBOX,STARRED]", "", "", "");
        row("uncached message moved into the inbox", "~a{INBOX}[INBOX]", "", "", "+a");
        row("uncached message given a label nobody loaded", "~a{L1}[INBOX,L1]", "", "", "");
        row("given a loaded label, then losing it again", "~a{L1}[L1] | ^a{L1}[]", "", "", "",
            "INBOX L1");
        row("given a loaded label by an earlier change than the last",
            "~a{L1}[STARRED,L1] ^a{STARRED}[L1]", "", "", "+a", "INBOX L1");
        row("a label given without saying which, to a message in a loaded label",
            "~a[INBOX,UNREAD]", "", "", "+a");
        row("a label given without saying which, to a message in no loaded label", "~a[L2]", "", "",
            "");
        row("label removed from an uncached message", "^a[INBOX]", "b[INBOX]", "", "");
        row("duplicate ids across pages are fetched once, first named first",
            "+b[INBOX] +a[INBOX] | ~b[INBOX,UNREAD] +c | +a", "", "", "+b +a +c");
        row("what an earlier attempt at the range fetched is not fetched again", "+a +b ~c[INBOX]",
            "", "a c", "+b");
        row("an earlier attempt does not stop a relabel", "~a[INBOX]", "a[INBOX,UNREAD]", "a",
            "~a[INBOX]");
    }

    void historyPlan()
    {
        QFETCH(QString, history);
        QFETCH(QString, cache);
        QFETCH(QString, fetchedBefore);
        QFETCH(QString, loaded);
        const HistoryPlan made = HistoryPlan::of(historyOf(history), cacheOf(cache), setOf(loaded),
                                                 setOf(fetchedBefore));
        QStringList said;
        for (const QString& id : made.removed)
            said << u'-' + id;
        // (Relabelled in the order of the history; the rows name at most one.)
        for (const QString& entry : described(made.relabelled))
            said << u'~' + entry;
        for (const QString& id : made.toFetch)
            said << u'+' + id;
        if (made.historyId)
            said << u'@' + *made.historyId;
        QTEST(said.join(u' '), "plan");
    }

    // What a full synchronisation keeps, sorted: "id[labels left]" for a
    // message relabelled, "-id" for one that leaves the cache.
    void reconcilePlan_data()
    {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char* name, const QString& pages, const QString& cache,
                            const char* loaded, const char* outcome) {
            QTest::newRow(name) << pages << cache << QString::fromLatin1(loaded)
                                << QString::fromLatin1(outcome);
        };
        const QString inboxPage = u"INBOX: a c"_s;
        const QString listed = u"a@30[INBOX] c@10[INBOX,UNREAD] "_s;
        row("listed messages stay as they are", inboxPage, listed, "INBOX", "");
        row("unlisted within the page's span leaves the label and the cache", inboxPage,
            listed + u"b@20[INBOX,UNREAD]"_s, "INBOX", "-b");
        row("unlisted within the span keeps its other loaded labels", inboxPage,
            listed + u"b@20[INBOX,UNREAD,L1]"_s, "INBOX L1", "b[UNREAD,L1]");
        row("older than the page may be on a later page", inboxPage,
            listed + u"d@5[INBOX] e@10[INBOX]"_s, "INBOX", "");
        row("older than a whole label's only page has left it", u"INBOX! a c"_s,
            listed + u"d@5[INBOX] e@10[INBOX,L1]"_s, "INBOX L1", "-d e[L1]");
        row("a page with nothing cached says nothing", u"INBOX: z"_s, u"b@20[INBOX]"_s, "INBOX",
            "");
        row("a label deleted at Google empties it", u"INBOX! a | L1!"_s,
            u"a@30[INBOX,L1] b@20[L1]"_s, "INBOX L1", "-b a[INBOX]");
        row("one message unlisted by two pages loses both labels", u"INBOX: a c | L1: a c"_s,
            u"a@30[INBOX,L1] c@10[INBOX,L1] b@20[INBOX,L1,L2]"_s, "INBOX L1 L2", "b[L2]");
        row("messages in no loaded label leave, however they got there", u"INBOX: a"_s,
            u"a@30[INBOX] x@50[STARRED] y@1[]"_s, "INBOX", "-x -y");
        row("a label loaded for the first time counts as loaded", u"L2! a"_s, u"a@30[L2]"_s, "",
            "");
    }

    void reconcilePlan()
    {
        QFETCH(QString, pages);
        QFETCH(QString, cache);
        QFETCH(QString, loaded);
        const ReconcilePlan plan = ReconcilePlan::of(pagesOf(pages), cacheOf(cache), setOf(loaded));
        QStringList said = described(plan.kept);
        for (const QString& id : plan.removed)
            said << u'-' + id;
        said.sort();
        QTEST(said.join(u' '), "outcome");
    }

    void reconcileTargets_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("atGoogle");
        QTest::addColumn<QString>("targets"); // "!": not listed at Google
        QTest::newRow("the inbox first, even before it was ever loaded")
            << u""_s << u"INBOX L1"_s << u"INBOX"_s;
        QTest::newRow("the others by id")
            << u"L2 INBOX L1 A"_s << u"A INBOX L1 L2"_s << u"INBOX A L1 L2"_s;
        QTest::newRow("a label gone from Google is not asked for")
            << u"L2 L1"_s << u"INBOX L1"_s << u"INBOX L1 L2!"_s;
        QTest::newRow("the inbox is asked for whatever the label list says")
            << u"INBOX"_s << u""_s << u"INBOX"_s;
    }

    void reconcileTargets()
    {
        QFETCH(QString, loaded);
        QFETCH(QString, atGoogle);
        QFETCH(QString, targets);

        QList<LabelInfo> labels;
        for (const QString& id : words(atGoogle))
            labels.append(LabelInfo{id, {}, {}, 0, 0});
        QStringList described;
        for (const ReconcilePlan::Target& target : ReconcilePlan::targets(setOf(loaded), labels))
            described.append(target.labelId + (target.listed ? u""_s : u"!"_s));
        QCOMPARE(described, words(targets));
    }

    void firstSyncFetchesProfileLabelsAndOneInboxPage()
    {
        seedOld();
        QSignalSpy changed(m->engine.get(), &SyncEngine::changed);
        awaitTask(m->engine->syncNow());
        QVERIFY(!changed.isEmpty());
        QVERIFY(!m->engine->lastError());
        const MailStore::State state = m->store->snapshot();
        QCOMPARE(state.historyId, QString::number(m->google.historyId(email)));
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
        awaitTask(m->engine->syncNow());
        QVERIFY(m->rig.poster()->posted().isEmpty());
        QCOMPARE(cachedIds().size(), 76);
    }

    void incrementalSyncAppliesEveryKindOfChange()
    {
        seedOld();
        const auto archivedOld =
            m->google.addMessage(email, test::TestRig::mail(email, u"Arquivada"_s), {},
                                 QDateTime::currentDateTimeUtc().addDays(-30));
        awaitTask(m->engine->initialSync());
        m->engine->setNotificationsArmed(true);
        const QString cached = m->google.messageIds(email).constFirst();
        // Below the loaded inbox page: changed elsewhere, they cost no fetch,
        // unless one comes into the inbox.
        QStringList belowThePage;
        for (const QString& id : m->google.messageIds(email)) {
            if (!cachedIds().contains(id) && id != archivedOld.id)
                belowThePage.append(id);
        }
        QCOMPARE(belowThePage.size(), 5);
        QVERIFY(m->google.modifyMessage(email, belowThePage[0], {unread}, {}));
        QVERIFY(m->google.modifyMessage(email, belowThePage[1], {u"STARRED"_s}, {}));
        QVERIFY(m->google.modifyMessage(email, belowThePage[2], {}, {inbox}));
        QVERIFY(m->google.modifyMessage(email, archivedOld.id, {inbox}, {}));

        const auto fresh = deliver(u"Nova"_s);
        const auto readAlready = deliver(u"Lida"_s, {inbox});
        const auto archivedUnread = deliver(u"Fora"_s, {unread});
        m->google.addDraft(email, test::TestRig::mail(email, u"Rascunho"_s));
        const QString draftMessage = m->google.messageIds(email).constFirst();
        // Created and deleted within one history answer: removed, never fetched.
        QVERIFY(m->google.deleteMessage(email, draftMessage));
        // A cached message changed elsewhere, and unread again.
        QVERIFY(m->google.modifyMessage(email, cached, {unread, u"STARRED"_s}, {}));
        m->google.clearRequests();

        QSignalSpy changed(m->engine.get(), &SyncEngine::changed);
        awaitTask(m->engine->syncNow());
        QCOMPARE(changed.size(), 1);
        QVERIFY(!m->engine->lastError());
        const QSet<QString> ids = cachedIds();
        QVERIFY(ids.contains(fresh.id) && ids.contains(readAlready.id) &&
                ids.contains(archivedUnread.id));
        QVERIFY(!ids.contains(draftMessage));
        QCOMPARE(requestsTo(u"/messages/"_s + draftMessage), 0);
        // Relabelled from what the history says, without fetching it again.
        QVERIFY(m->store->snapshot().summaries.value(cached).hasLabel(u"STARRED"_s));
        QCOMPARE(requestsTo(u"/messages/"_s + cached), 0);
        QCOMPARE(m->store->snapshot().historyId, QString::number(m->google.historyId(email)));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!ids.contains(belowThePage[i]));
            QCOMPARE(requestsTo(u"/messages/"_s + belowThePage[i]), 0);
        }
        QVERIFY(ids.contains(archivedOld.id));
        QCOMPARE(requestsTo(u"/messages/"_s + archivedOld.id), 1);

        // Only the message that is new, unread and in the inbox is announced;
        // the cached one that became unread again is not.
        const auto posted = m->rig.poster()->posted();
        QCOMPARE(posted.size(), 1);
        QCOMPARE(posted.first().summary.id(), fresh.id);
        QCOMPARE(posted.first().account.email, email);
    }

    void aFailedStepKeepsItsProgress()
    {
        seedOld();
        // An interrupted first sync resumes where it stopped.
        const QString failing = m->google.messageIds(email).at(10);
        m->google.failNext(u".*/messages/"_s + failing, 503, 10);
        awaitTask(m->engine->initialSync());
        QVERIFY(m->engine->lastError()->startsWith(u"HTTP 503"));
        QVERIFY(m->store->snapshot().historyId.isEmpty());
        const int fetchedFirst = int(cachedIds().size());
        QVERIFY(fetchedFirst > 0 && fetchedFirst < 75);

        m->google.clearFaults();
        m->google.clearRequests();
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        QCOMPARE(cachedIds().size(), 75);
        QVERIFY(m->store->snapshot().loadedLabels.contains(inbox));
        QVERIFY(!m->store->snapshot().historyId.isEmpty());
        int fetches = 0;
        for (const auto& request : m->google.requests())
            fetches += request.path.contains(u"/messages/") ? 1 : 0;
        QCOMPARE(fetches, 75 - fetchedFirst);

        const QString start = m->store->snapshot().historyId;
        QStringList delivered;
        for (int i = 0; i < 30; ++i)
            delivered.append(deliver(u"Lote %1"_s.arg(i)).id);

        // A passing server error fails the step; what was fetched stays, the
        // history id does not move, and the next tick fetches only the rest.
        m->google.failNext(u".*/messages/"_s + delivered.first(), 500, 5);
        awaitTask(m->engine->syncNow());
        QVERIFY(m->engine->lastError()->startsWith(u"HTTP 500"));
        QCOMPARE(m->store->snapshot().historyId, start);
        // How many arrived before the failure stopped the step depends on timing.
        const QSet<QString> kept =
            cachedIds().intersect(QSet<QString>(delivered.begin(), delivered.end()));
        QVERIFY(!kept.contains(delivered.first()));
        m->google.clearFaults();
        m->google.clearRequests();
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        for (const QString& id : delivered) {
            QVERIFY(cachedIds().contains(id));
            QCOMPARE(requestsTo(u"/messages/"_s + id), kept.contains(id) ? 0 : 1);
        }
        QCOMPARE(m->store->snapshot().historyId, QString::number(m->google.historyId(email)));

        // Gone at Google before it could be fetched: dropped, the rest applied.
        const auto gone = deliver(u"Fugaz"_s);
        const auto stays = deliver(u"Fica"_s);
        m->google.failNext(u".*/messages/"_s + gone.id, 404, 5);
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        QVERIFY(!cachedIds().contains(gone.id) && cachedIds().contains(stays.id));
    }

    void quotaIsSpentWellAndRefusalsWaitedOut()
    {
        seedOld();
        m->useQuotaOnVirtualTime();
        awaitTask(m->engine->initialSync());
        // A refusal waits as long as Google says.
        const auto limited = deliver(u"Espera"_s);
        // Twice: every attempt the client makes on its own.
        auto refusal = test::TestRig::answering(u".*/messages/"_s + limited.id, 429, {}, 2);
        refusal.headers = {{"Retry-After", "30"}};
        m->google.addFault(refusal);
        const qint64 refused = m->clock->elapsedMs();
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        QVERIFY(cachedIds().contains(limited.id));
        QVERIFY(m->clock->elapsedMs() - refused >= 30000);

        // Many new messages converge within the quota.
        m->engine->setNotificationsArmed(true);
        QStringList delivered;
        for (int i = 0; i < 500; ++i)
            delivered.append(deliver(u"Campanha %1"_s.arg(i)).id);
        m->google.resetUnits();
        m->google.clearRequests();
        const qint64 before = m->clock->elapsedMs();

        awaitTask(m->engine->syncNow());
        QVERIFY2(!m->engine->lastError(), qPrintable(m->engine->lastError().value_or(QString())));
        // Every history page is applied, and the id moves to the last one's.
        QVERIFY(requestsTo(u"/history"_s) >= 2);
        const QSet<QString> ids = cachedIds();
        for (const QString& id : delivered)
            QVERIFY(ids.contains(id));
        QCOMPARE(m->store->snapshot().historyId, QString::number(m->google.historyId(email)));
        QCOMPARE(m->google.quotaRefusals(email), 0);
        QCOMPARE(m->rig.poster()->posted().size(), 500);
        const qint64 minimum = 500 * 20 + 2 * requestsTo(u"/history"_s) + 2;
        const qint64 spent = m->google.unitsSpent(email);
        const qint64 took = m->clock->elapsedMs() - before;
        QVERIFY(spent <= minimum * 11 / 10);
        // 10,000 units at 4,800 a minute: the third minute's window is enough.
        QVERIFY(took <= 3 * 60 * 1000);
    }

    void tighterQuotaIsLearnedNotWaitedOut()
    {
        seedOld();
        // The pacer answers every refusal itself: no quick retries below it.
        m->api = m->rig.gmailClient(email, RetryPolicy{}.leavingQuotaToPacer());
        m->useQuotaOnVirtualTime();
        awaitTask(m->engine->initialSync());
        awaitTask(m->clock->sleepFor(60s));
        // Others share the user's quota: 600 units per 10 s get through, and
        // a refusal does not say when to retry.
        m->google.setQuotaLimit(600, 10s);
        QStringList delivered;
        for (int i = 0; i < 100; ++i)
            delivered.append(deliver(u"Partilhada %1"_s.arg(i)).id);
        m->google.resetUnits();
        qint64 before = m->clock->elapsedMs();
        awaitTask(m->engine->syncNow());
        QVERIFY2(!m->engine->lastError(), qPrintable(m->engine->lastError().value_or(QString())));
        for (const QString& id : delivered)
            QVERIFY(cachedIds().contains(id));
        QVERIFY(m->google.quotaRefusals(email) > 0);
        // 2,000 units at 60 a second take 34 s; sitting out a whole window
        // per refusal would take minutes.
        QVERIFY(m->clock->elapsedMs() - before < 60000);
        // Settled below the limit: the background share of what the pacer
        // allows itself fits in the 3,600 units a minute that get through,
        // and the next mail arrives without a refusal.
        const int allowed = m->engine->pacer()->allowedPerWindow();
        QVERIFY(allowed < GmailQuota::unitsPerWindow);
        QVERIFY(allowed * GmailQuota::backgroundPercent / 100 <= 3600);
        awaitTask(m->clock->sleepFor(60s));
        for (int i = 0; i < 40; ++i)
            deliver(u"Depois %1"_s.arg(i));
        m->google.resetUnits();
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        QCOMPARE(m->google.quotaRefusals(email), 0);
        QCOMPARE(cachedIds().size(), 75 + 140);

        // A refusal that says how long is obeyed as said.
        const auto limited = deliver(u"Espera"_s);
        auto refusal = test::TestRig::answering(u".*/messages/"_s + limited.id, 429, {}, 1);
        refusal.headers = {{"Retry-After", "20"}};
        m->google.addFault(refusal);
        before = m->clock->elapsedMs();
        awaitTask(m->engine->syncNow());
        QVERIFY(!m->engine->lastError());
        QVERIFY(cachedIds().contains(limited.id));
        QVERIFY(m->clock->elapsedMs() - before >= 20000);
    }

    void labelPagesAndSearches()
    {
        seedOld();
        QSignalSpy changed(m->engine.get(), &SyncEngine::changed);
        const QString label = m->google.addLabel(email, u"Família"_s);
        const auto tagged = deliver(u"Jantar"_s, {label});
        m->google.failNext(u".*/messages/"_s + tagged.id, 500, 5);
        QVERIFY_THROWS_EXCEPTION(GmailError, awaitTask(m->engine->loadLabelMessages(label, 75)));
        QVERIFY(m->store->snapshot().summaries.isEmpty());
        QVERIFY(!m->store->snapshot().loadedLabels.contains(label));
        QCOMPARE(changed.size(), 0);
        m->google.clearFaults();
        awaitTask(m->engine->loadLabelMessages(label, 75));
        QCOMPARE(m->store->summaries(label).size(), 1);
        QCOMPARE(changed.size(), 1);

        const QList<MessageSummary> hits =
            awaitTask(m->engine->searchPage(u"subject:Antiga"_s, 50, {}, 0)).messages;
        QCOMPARE(hits.size(), 50);
        for (qsizetype i = 1; i < hits.size(); ++i)
            QVERIFY(hits[i - 1].internalDateMs() >= hits[i].internalDateMs());
        QCOMPARE(m->store->snapshot().summaries.size(), 51);
        QCOMPARE(changed.size(), 1);
    }

    void periodicLoopIsSingleAndDiesWithTheEngine()
    {
        seedOld();
        awaitTask(m->engine->initialSync());
        QSignalSpy changed(m->engine.get(), &SyncEngine::changed);
        m->engine->start(20ms);
        QVERIFY(changed.wait(10000));
        // A new start replaces the running loop: nothing more for an hour.
        m->engine->start(1h);
        changed.clear();
        QVERIFY(!changed.wait(300));

        m->engine->start(20ms);
        m->engine.reset();
        m->google.clearRequests();
        QTest::qWait(300);
        QCOMPARE(requestsTo(u"/history"_s), 0);
    }

    // A label's older pages, paced by Google's quota on a clock that moves
    // only while it waits.
    void pagesToTheEndAndFollowsTheHistory()
    {
        m->useQuotaOnVirtualTime();
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
        m->useQuotaOnVirtualTime();
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
        m->useQuotaOnVirtualTime();
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

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
