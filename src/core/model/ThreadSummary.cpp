#include "ThreadSummary.h"

#include "SystemLabels.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

namespace vesk {

namespace {

const QString& unreadLabel()
{
    // Looked up for every message of every thread: built once.
    static const QString s_label = SystemLabels::unread();
    return s_label;
}

/// Stable sort by date, oldest first. Conversations are short, so an
/// insertion sort beats std::stable_sort, which allocates a buffer per call.
void sortOldestFirst(QList<MessageSummary>& messages)
{
    const auto older = [](const MessageSummary& a, const MessageSummary& b) {
        return a.internalDateMs() < b.internalDateMs();
    };
    if (messages.size() > 16) {
        std::stable_sort(messages.begin(), messages.end(), older);
        return;
    }
    for (auto it = messages.begin(); it != messages.end(); ++it) {
        if (it == messages.begin() || !older(*it, *(it - 1)))
            continue;
        MessageSummary current = std::move(*it);
        auto hole = it;
        do {
            *hole = std::move(*(hole - 1));
            --hole;
        } while (hole != messages.begin() && older(current, *(hole - 1)));
        *hole = std::move(current);
    }
}

} // namespace

QList<ThreadSummary> ThreadSummary::group(const QList<MessageSummary>& summaries)
{
    QHash<QString, qsizetype> bucketOf;
    bucketOf.reserve(summaries.size());
    QList<ThreadSummary> threads;
    for (const MessageSummary& summary : summaries) {
        qsizetype& bucket = bucketOf[summary.threadId()];
        if (bucket == 0) {
            threads.append(ThreadSummary{summary.threadId(), {}, {}});
            bucket = threads.size();
        }
        // Buckets are numbered from 1, so that 0 means "new thread".
        threads[bucket - 1].messages.append(summary);
    }

    for (ThreadSummary& thread : threads)
        sortOldestFirst(thread.messages);

    // Sorting (date, index) pairs keeps the comparisons in one flat array
    // instead of chasing each thread's last message.
    std::vector<std::pair<double, qsizetype>> order;
    order.reserve(size_t(threads.size()));
    for (qsizetype i = 0; i < threads.size(); ++i)
        order.emplace_back(threads[i].latest().date(), i);
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });

    QList<ThreadSummary> sorted;
    sorted.reserve(threads.size());
    for (const auto& entry : order)
        sorted.append(std::move(threads[entry.second]));
    return sorted;
}

QString ThreadSummary::subject() const
{
    if (messages.isEmpty() || messages.constFirst().subject().isEmpty())
        return QCoreApplication::translate("vesk::ThreadSummary", "(sem assunto)");
    return messages.constFirst().subject();
}

bool ThreadSummary::isUnread() const
{
    return anyHasLabel(unreadLabel());
}

bool ThreadSummary::anyHasLabel(const QString& labelId) const
{
    return std::any_of(messages.cbegin(), messages.cend(),
                       [&](const MessageSummary& m) { return m.hasLabel(labelId); });
}

bool ThreadSummary::isStarred() const
{
    return anyHasLabel(SystemLabels::starred());
}

QString ThreadSummary::participants() const
{
    QStringList names;
    for (const MessageSummary& message : messages) {
        const QString& name =
            message.fromName().isEmpty() ? message.fromEmail() : message.fromName();
        if (!names.contains(name))
            names.append(name);
    }
    return names.join(QStringLiteral(", "));
}

QList<ThreadSummary> ThreadSummary::merge(QList<QList<ThreadSummary>> lists)
{
    qsizetype total = 0;
    for (const QList<ThreadSummary>& list : lists)
        total += list.size();
    QList<ThreadSummary> merged;
    merged.reserve(total);
    QList<qsizetype> next(lists.size(), 0);
    // A few accounts: picking the newest head each time beats a heap.
    while (merged.size() < total) {
        qsizetype newest = -1;
        for (qsizetype i = 0; i < lists.size(); ++i) {
            if (next[i] < lists[i].size() &&
                (newest < 0 || lists[i][next[i]].latest().internalDateMs() >
                                   lists[newest][next[newest]].latest().internalDateMs()))
                newest = i;
        }
        merged.append(std::move(lists[newest][next[newest]++]));
    }
    return merged;
}

QString ThreadSummary::mergedId(const QString& accountId, const QString& threadId)
{
    // A unit separator: in neither an address nor a Gmail id.
    return accountId + QChar(0x1f) + threadId;
}

std::optional<std::pair<QString, QString>> ThreadSummary::splitMergedId(const QString& id)
{
    const qsizetype at = id.indexOf(QChar(0x1f));
    if (at <= 0 || at == id.size() - 1)
        return std::nullopt;
    return std::pair{id.left(at), id.mid(at + 1)};
}

} // namespace vesk
