#include "HistoryPlan.h"

#include "gmail/WireRecords.h"
#include "model/SummaryTable.h"

#include <QHash>

#include <algorithm>

namespace vesk {

namespace {

using Record = HistoryListDTO::Record;

/// What a history range names, in the order it names messages.
struct Changes
{
    QStringList changedOrder;
    QStringList deletedOrder;
    QSet<QString> deleted;
    /// The labels a message carries after its last change, when Google said.
    QHash<QString, std::optional<QStringList>> labelsAfter;
    /// Messages Google named as new mail.
    QSet<QString> newMail;
    /// Loaded labels some change added to a message.
    QHash<QString, QSet<QString>> loadedLabelsAdded;
    /// Messages given labels without Google saying which.
    QSet<QString> addedUnsaid;
};

void noteAdded(Changes& changes, const Record::LabelChange& change,
               const QSet<QString>& loadedLabels)
{
    if (!change.message)
        return;
    const QString& id = change.message->id;
    if (!change.labelIds) {
        changes.addedUnsaid.insert(id);
        return;
    }
    for (const QString& label : *change.labelIds) {
        if (loadedLabels.contains(label))
            changes.loadedLabelsAdded[id].insert(label);
    }
}

Changes changesOf(const QList<HistoryListDTO>& pages, const QSet<QString>& loadedLabels)
{
    Changes changes;
    const auto noteChanged = [&](const std::optional<MessageDTO>& message) {
        if (!message)
            return;
        if (!changes.labelsAfter.contains(message->id))
            changes.changedOrder.append(message->id);
        changes.labelsAfter.insert(message->id, message->labelIds);
    };
    for (const HistoryListDTO& page : pages) {
        for (const Record& record : page.history.value_or(QList<Record>())) {
            for (const auto& added : record.messagesAdded.value_or(QList<Record::MessageRef>())) {
                noteChanged(added.message);
                if (added.message)
                    changes.newMail.insert(added.message->id);
            }
            for (const auto& removed :
                 record.messagesDeleted.value_or(QList<Record::MessageRef>())) {
                if (removed.message && !changes.deleted.contains(removed.message->id)) {
                    changes.deleted.insert(removed.message->id);
                    changes.deletedOrder.append(removed.message->id);
                }
            }
            for (const auto& change : record.labelsAdded.value_or(QList<Record::LabelChange>())) {
                noteChanged(change.message);
                noteAdded(changes, change, loadedLabels);
            }
            for (const auto& change : record.labelsRemoved.value_or(QList<Record::LabelChange>()))
                noteChanged(change.message);
        }
    }
    return changes;
}

/// Whether a message the cache lacks may now belong on a loaded page. One
/// that already carried a loaded label is older than everything loaded of it
/// (or it would be cached), so only a loaded label given to it in this range,
/// and still on it at the end, can bring it up; new mail always might.
bool uncachedNeedsFetch(const QString& id, const Changes& changes,
                        const QSet<QString>& loadedLabels)
{
    if (changes.newMail.contains(id))
        return true;
    const std::optional<QStringList> after = changes.labelsAfter.value(id);
    const auto stillCarries = [&after](const QString& label) {
        return !after || after->contains(label);
    };
    if (changes.addedUnsaid.contains(id)) {
        if (!after)
            return true;
        return std::any_of(after->begin(), after->end(),
                           [&loadedLabels](const QString& l) { return loadedLabels.contains(l); });
    }
    const QSet<QString> added = changes.loadedLabelsAdded.value(id);
    return std::any_of(added.begin(), added.end(), stillCarries);
}

} // namespace

HistoryPlan HistoryPlan::of(const QList<HistoryListDTO>& pages, const SummaryTable& cached,
                            const QSet<QString>& loadedLabels, const QSet<QString>& alreadyFetched)
{
    const Changes changes = changesOf(pages, loadedLabels);
    HistoryPlan plan;
    plan.removed = changes.deletedOrder;
    // A label change carries the message's labels afterwards: a cached
    // message takes them as they are, costing no request. A cached message
    // whose change did not say is fetched, and so is an uncached one that may
    // now show on a loaded page; none twice for one range. Marking hundreds
    // of old messages read elsewhere thus costs only the history pages.
    for (const QString& id : changes.changedOrder) {
        if (changes.deleted.contains(id))
            continue;
        const std::optional<QStringList> labels = changes.labelsAfter.value(id);
        const MessageSummary* current = cached.find(id);
        if (current && labels) {
            if (current->labelIds() != *labels) {
                MessageSummary summary = *current;
                summary.setLabelIds(*labels);
                plan.relabelled.append(summary);
            }
        } else if (!alreadyFetched.contains(id) &&
                   (current || uncachedNeedsFetch(id, changes, loadedLabels))) {
            plan.toFetch.append(id);
        }
    }
    // The last page that says is the newest word on where the history stands.
    for (const HistoryListDTO& page : pages) {
        if (page.historyId)
            plan.historyId = page.historyId;
    }
    return plan;
}

} // namespace vesk
