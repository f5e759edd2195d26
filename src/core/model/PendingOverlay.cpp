#include "PendingOverlay.h"

#include <algorithm>

namespace vesk {

QList<PendingChange> PendingOverlay::changes() const
{
    QList<PendingChange> changes;
    changes.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        changes.append(entry.change);
    return changes;
}

void PendingOverlay::add(const PendingChange& change)
{
    m_entries.append(Entry{change, 0});
}

void PendingOverlay::markSent(quint64 changeId)
{
    ++m_stamp;
    for (Entry& entry : m_entries) {
        if (entry.change.id == changeId && entry.sentAt == 0)
            entry.sentAt = m_stamp;
    }
}

void PendingOverlay::drop(quint64 changeId)
{
    m_entries.removeIf([changeId](const Entry& entry) { return entry.change.id == changeId; });
}

void PendingOverlay::settle(quint64 stamp)
{
    m_entries.removeIf(
        [stamp](const Entry& entry) { return entry.sentAt != 0 && entry.sentAt <= stamp; });
}

MessageSummary PendingOverlay::applied(MessageSummary summary) const
{
    // A handful of entries at most, usually none: a scan beats an index.
    const bool touched = std::any_of(m_entries.cbegin(), m_entries.cend(), [&](const Entry& e) {
        return e.change.threadIds.contains(summary.threadId());
    });
    if (!touched)
        return summary;
    QStringList labels = appliedTo(summary.threadId(), summary.labelIds());
    if (labels != summary.labelIds())
        summary.setLabelIds(std::move(labels));
    return summary;
}

QStringList PendingOverlay::appliedTo(const QString& threadId, QStringList labelIds) const
{
    for (const Entry& entry : m_entries) {
        if (entry.change.threadIds.contains(threadId))
            labelIds = entry.change.appliedTo(std::move(labelIds));
    }
    return labelIds;
}

} // namespace vesk
