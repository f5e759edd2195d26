#include "gmail/WireRecords.h"
#include "model/LabelInfo.h"
#include "model/SummaryTable.h"
#include "sync/HistoryPlan.h"
#include "sync/ReconcilePlan.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>

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

/// The same notation, without dates, so that results read like the table.
QStringList described(QList<MessageSummary> summaries, bool sorted)
{
    QStringList out;
    for (const MessageSummary& summary : summaries)
        out.append(summary.id() + u'[' + summary.labelIds().join(u',') + u']');
    if (sorted)
        std::sort(out.begin(), out.end());
    return out;
}

/// History pages separated by "|"; in a page, one record per word:
/// "+id" added, "-id" deleted, "~id" labels added, "^id" labels removed, each
/// with "[labels]" when Google said which labels the message carries after
/// it; "@n" is the page's history id.
QList<HistoryListDTO> historyOf(const QString& text)
{
    static const QRegularExpression entry(u"^([-+~^])(\\w+)(?:\\[([\\w,]*)\\])?$"_s);
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
            if (m.hasCaptured(3))
                message.labelIds = m.captured(3).split(u',', Qt::SkipEmptyParts);
            Record record;
            const QChar kind = m.captured(1).at(0);
            if (kind == u'+' || kind == u'-') {
                (kind == u'+' ? record.messagesAdded : record.messagesDeleted)
                    .emplace({Record::MessageRef{message, std::nullopt}});
            } else {
                (kind == u'~' ? record.labelsAdded : record.labelsRemoved)
                    .emplace({Record::LabelChange{message, std::nullopt}});
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
    void historyPlan_data()
    {
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QString>("fetchedBefore");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QStringList>("relabelled");
        QTest::addColumn<QStringList>("toFetch");
        QTest::addColumn<QString>("historyId");

        const QStringList none;
        QTest::newRow("empty history still moves the history id")
            << "@9"
            << "a[INBOX]"
            << "" << none << none << none << "9";
        QTest::newRow("no page says where history stands") << ""
                                                           << ""
                                                           << "" << none << none << none << "";
        QTest::newRow("the last page that says wins")
            << "+a[INBOX] @5 | ~a[INBOX,STARRED] @7 |"
            << ""
            << "" << none << none << QStringList{u"a"_s} << "7";

        // Deletion wins over anything else the range says of a message.
        QTest::newRow("added then deleted in one page")
            << "+a[INBOX,UNREAD] ~a[INBOX] -a @5"
            << ""
            << "" << QStringList{u"a"_s} << none << none << "5";
        QTest::newRow("relabelled then deleted on a later page")
            << "~a[INBOX] | -a | -a"
            << "a[INBOX,UNREAD]"
            << "" << QStringList{u"a"_s} << none << none << "";
        QTest::newRow("deleted messages the cache never held")
            << "-x -y -x"
            << "a[INBOX]"
            << "" << QStringList{u"x"_s, u"y"_s} << none << none << "";

        // A cached message takes the labels its last change reports.
        QTest::newRow("label added to a cached message")
            << "~a[INBOX,UNREAD,STARRED]"
            << "a[INBOX,UNREAD]"
            << "" << none << QStringList{u"a[INBOX,UNREAD,STARRED]"_s} << none << "";
        QTest::newRow("label removed from a cached message")
            << "^a[INBOX]"
            << "a[INBOX,UNREAD]"
            << "" << none << QStringList{u"a[INBOX]"_s} << none << "";
        QTest::newRow("labels as cached cost nothing") << "~a[INBOX] ^a[INBOX]"
                                                       << "a[INBOX]"
                                                       << "" << none << none << none << "";
        QTest::newRow("the same message across pages is relabelled once, last word wins")
            << "~a[INBOX,STARRED] | ^a[STARRED] | ~a[L1]"
            << "a[INBOX]"
            << "" << none << QStringList{u"a[L1]"_s} << none << "";
        QTest::newRow("last change without labels means a fetch")
            << "~a[INBOX,STARRED] ^a"
            << "a[INBOX]"
            << "" << none << none << QStringList{u"a"_s} << "";

        // A message the cache lacks has no summary to relabel: it is fetched.
        QTest::newRow("label added to an uncached message")
            << "~a[INBOX,UNREAD]"
            << ""
            << "" << none << none << QStringList{u"a"_s} << "";
        QTest::newRow("label removed from an uncached message")
            << "^a[INBOX]"
            << "b[INBOX]"
            << "" << none << none << QStringList{u"a"_s} << "";
        QTest::newRow("duplicate ids across pages are fetched once, first named first")
            << "+b[INBOX] +a[INBOX] | ~b[INBOX,UNREAD] +c | +a"
            << ""
            << "" << none << none << QStringList{u"b"_s, u"a"_s, u"c"_s} << "";
        QTest::newRow("what an earlier attempt at the range fetched is not fetched again")
            << "+a +b ~c[INBOX]"
            << ""
            << "a c" << none << none << QStringList{u"b"_s} << "";
        QTest::newRow("an earlier attempt does not stop a relabel")
            << "~a[INBOX]"
            << "a[INBOX,UNREAD]"
            << "a" << none << QStringList{u"a[INBOX]"_s} << none << "";
    }

    void historyPlan()
    {
        QFETCH(QString, history);
        QFETCH(QString, cache);
        QFETCH(QString, fetchedBefore);
        QFETCH(QStringList, removed);
        QFETCH(QStringList, relabelled);
        QFETCH(QStringList, toFetch);
        QFETCH(QString, historyId);

        const HistoryPlan plan =
            HistoryPlan::of(historyOf(history), cacheOf(cache), setOf(fetchedBefore));
        QCOMPARE(plan.removed, removed);
        QCOMPARE(described(plan.relabelled, false), relabelled);
        QCOMPARE(plan.toFetch, toFetch);
        QCOMPARE(plan.historyId.value_or(QString()), historyId);
    }

    void reconcilePlan_data()
    {
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("cache");
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("removed");

        const QStringList none;
        const QString inboxPage = u"INBOX: a c"_s;
        const QString listed = u"a@30[INBOX] c@10[INBOX,UNREAD] "_s;
        QTest::newRow("listed messages stay as they are")
            << inboxPage << listed << "INBOX" << none << none;
        QTest::newRow("unlisted within the page's span leaves the label and the cache")
            << inboxPage << listed + u"b@20[INBOX,UNREAD]"_s << "INBOX" << none
            << QStringList{u"b"_s};
        QTest::newRow("unlisted within the span keeps its other loaded labels")
            << inboxPage << listed + u"b@20[INBOX,UNREAD,L1]"_s << "INBOX L1"
            << QStringList{u"b[UNREAD,L1]"_s} << none;
        QTest::newRow("older than the page may be on a later page")
            << inboxPage << listed + u"d@5[INBOX] e@10[INBOX]"_s << "INBOX" << none << none;
        QTest::newRow("older than a whole label's only page has left it")
            << "INBOX! a c" << listed + u"d@5[INBOX] e@10[INBOX,L1]"_s << "INBOX L1"
            << QStringList{u"e[L1]"_s} << QStringList{u"d"_s};
        QTest::newRow("a page with nothing cached says nothing") << "INBOX: z"
                                                                 << "b@20[INBOX]"
                                                                 << "INBOX" << none << none;
        QTest::newRow("a label deleted at Google empties it")
            << "INBOX! a | L1!"
            << "a@30[INBOX,L1] b@20[L1]"
            << "INBOX L1" << QStringList{u"a[INBOX]"_s} << QStringList{u"b"_s};
        QTest::newRow("one message unlisted by two pages loses both labels")
            << "INBOX: a c | L1: a c"
            << "a@30[INBOX,L1] c@10[INBOX,L1] b@20[INBOX,L1,L2]"
            << "INBOX L1 L2" << QStringList{u"b[L2]"_s} << none;
        QTest::newRow("messages in no loaded label leave, however they got there")
            << "INBOX: a"
            << "a@30[INBOX] x@50[STARRED] y@1[]"
            << "INBOX" << none << QStringList{u"x"_s, u"y"_s};
        QTest::newRow("a label loaded for the first time counts as loaded") << "L2! a"
                                                                            << "a@30[L2]"
                                                                            << "" << none << none;
    }

    void reconcilePlan()
    {
        QFETCH(QString, pages);
        QFETCH(QString, cache);
        QFETCH(QString, loaded);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, removed);

        const ReconcilePlan plan = ReconcilePlan::of(pagesOf(pages), cacheOf(cache), setOf(loaded));
        QCOMPARE(described(plan.kept, true), kept);
        QStringList removedSorted = plan.removed;
        std::sort(removedSorted.begin(), removedSorted.end());
        QCOMPARE(removedSorted, removed);
    }

    void reconcileTargets_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("atGoogle");
        QTest::addColumn<QString>("targets");

        QTest::newRow("the inbox first, even before it was ever loaded") << ""
                                                                         << "INBOX L1"
                                                                         << "INBOX";
        QTest::newRow("the others by id") << "L2 INBOX L1 A"
                                          << "A INBOX L1 L2"
                                          << "INBOX A L1 L2";
        QTest::newRow("a label gone from Google is not asked for") << "L2 L1"
                                                                   << "INBOX L1"
                                                                   << "INBOX L1 L2!";
        QTest::newRow("the inbox is asked for whatever the label list says") << "INBOX"
                                                                             << ""
                                                                             << "INBOX";
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
