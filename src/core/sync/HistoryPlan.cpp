#include "HistoryPlan.h"

#include "gmail/WireRecords.h"
#include "model/SummaryTable.h"

#include <QHash>

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
};

Changes changesOf(const QList<HistoryListDTO>& pages)
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
            for (const auto& added : record.messagesAdded.value_or(QList<Record::MessageRef>()))
                noteChanged(added.message);
            for (const auto& removed :
                 record.messagesDeleted.value_or(QList<Record::MessageRef>())) {
                if (removed.message && !changes.deleted.contains(removed.message->id)) {
                    changes.deleted.insert(removed.message->id);
                    changes.deletedOrder.append(removed.message->id);
                }
            }
            for (const auto* labelChanges : {&record.labelsAdded, &record.labelsRemoved}) {
                for (const auto& change : labelChanges->value_or(QList<Record::LabelChange>()))
                    noteChanged(change.message);
            }
        }
    }
    return changes;
}

} // namespace

HistoryPlan HistoryPlan::of(const QList<HistoryListDTO>& pages, const SummaryTable& cached,
                            const QSet<QString>& alreadyFetched)
{
    const Changes changes = changesOf(pages);
    HistoryPlan plan;
    plan.removed = changes.deletedOrder;
    // A label change carries the message's labels afterwards: a cached
    // message takes them as they are, costing no request. Only messages new
    // to the cache, or whose change did not say, are fetched, and none twice
    // for one range.
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
        } else if (!alreadyFetched.contains(id)) {
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
