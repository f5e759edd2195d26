#include "gmail/WireRecords.h"
#include "model/LabelInfo.h"
#include "model/SummaryTable.h"
#include "sync/HistoryPlan.h"
#include "sync/ReconcilePlan.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vesk;

namespace {

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

class TestSyncPlan : public QObject
{
    Q_OBJECT

private slots:
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
        for (const QString& id : words(atGoogle)) {
            LabelInfo label;
            label.id = id;
            labels.append(label);
        }
        QStringList described;
        for (const ReconcilePlan::Target& target : ReconcilePlan::targets(setOf(loaded), labels))
            described.append(target.labelId + (target.listed ? u""_s : u"!"_s));
        QCOMPARE(described, words(targets));
    }
};

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
