#include "ReconcilePlan.h"

#include "model/LabelInfo.h"
#include "model/SummaryTable.h"
#include "model/SystemLabels.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace vesk {

namespace {

/// The oldest date among a page's cached messages: below it the page says
/// nothing about what the label holds.
qint64 pageCutoff(const QStringList& ids, const SummaryTable& cached)
{
    qint64 oldest = std::numeric_limits<qint64>::max();
    for (const QString& id : ids) {
        if (const MessageSummary* summary = cached.find(id))
            oldest = std::min(oldest, summary->internalDateMs());
    }
    return oldest;
}

} // namespace

QList<ReconcilePlan::Target> ReconcilePlan::targets(const QSet<QString>& loadedLabels,
                                                    const QList<LabelInfo>& labels)
{
    // Every label the user has opened is brought back to what Google shows,
    // not only the inbox; the inbox is always listed, Google always has it.
    const QString inbox = SystemLabels::inbox();
    QStringList ids{inbox};
    QStringList others = loadedLabels.values();
    std::sort(others.begin(), others.end());
    for (const QString& id : others) {
        if (id != inbox)
            ids.append(id);
    }
    QList<Target> targets;
    for (const QString& id : ids) {
        const bool exists = std::any_of(labels.begin(), labels.end(),
                                        [&](const LabelInfo& label) { return label.id == id; });
        targets.append(Target{id, exists || id == inbox});
    }
    return targets;
}

QStringList ReconcilePlan::toFetch(const QStringList& listed, const QSet<QString>& fetched)
{
    QStringList ids;
    for (const QString& id : listed) {
        if (!fetched.contains(id))
            ids.append(id);
    }
    return ids;
}

ReconcilePlan ReconcilePlan::of(const QList<Page>& pages, const SummaryTable& cached,
                                const QSet<QString>& loadedLabels)
{
    QSet<QString> loaded = loadedLabels;
    for (const Page& page : pages)
        loaded.insert(page.labelId);

    // A cached message the newest page should have shown but did not has left
    // the label (or the mailbox). One older than the page's oldest cached
    // message may simply be on a later page, unless there is none.
    QHash<QString, MessageSummary> patched;
    for (const Page& page : pages) {
        const QSet<QString> listed(page.ids.begin(), page.ids.end());
        const qint64 cutoff =
            page.whole ? std::numeric_limits<qint64>::min() : pageCutoff(page.ids, cached);
        for (const MessageSummary& summary : cached) {
            MessageSummary current = patched.value(summary.id(), summary);
            if (!current.hasLabel(page.labelId) || listed.contains(current.id()) ||
                current.internalDateMs() <= cutoff)
                continue;
            QStringList labels = current.labelIds();
            labels.removeAll(page.labelId);
            current.setLabelIds(labels);
            patched.insert(current.id(), current);
        }
    }
    // A message in no loaded label is removed, also one that left them
    // earlier (archived while only the inbox was loaded): no full sync would
    // ever look at it again, so it would stay, stale, even once deleted.
    ReconcilePlan plan;
    for (const MessageSummary& summary : cached) {
        const auto found = patched.constFind(summary.id());
        const MessageSummary& current = found == patched.constEnd() ? summary : *found;
        const bool inLoadedLabel =
            std::any_of(current.labelIds().begin(), current.labelIds().end(),
                        [&](const QString& label) { return loaded.contains(label); });
        if (!inLoadedLabel)
            plan.removed.append(current.id());
        else if (found != patched.constEnd())
            plan.kept.append(current);
    }
    return plan;
}

} // namespace vesk
