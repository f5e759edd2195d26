#pragma once

#include "MessageSummary.h"
#include "PendingChange.h"

#include <QList>

namespace vesk {

/// The changes the cache shows on top of what Google says: those still
/// waiting in the journal, and those sent but not yet seen come back through
/// a synchronisation. Every summary Google's answers bring passes through it,
/// so that a synchronisation never shows a conversation as it was before a
/// change the person made.
///
/// A value; no I/O. The mail store keeps one under its lock.
class PendingOverlay final
{
public:
    /// The changes on top, oldest first.
    QList<PendingChange> changes() const;
    bool isEmpty() const { return m_entries.isEmpty(); }

    void add(const PendingChange& change);
    /// Gmail took it: it stays on top until a synchronisation that began
    /// after now has finished, since one that began before may still bring
    /// the conversation as it was.
    void markSent(quint64 changeId);
    /// Gone for good: refused by Google, or its conversation no longer exists.
    void drop(quint64 changeId);
    /// What synchronisations compare: it grows with every markSent().
    quint64 stamp() const { return m_stamp; }
    /// A synchronisation that began at `stamp` has finished: every change
    /// sent before then is in what it brought.
    void settle(quint64 stamp);

    /// `summary` with every change to its thread applied, oldest first.
    MessageSummary applied(MessageSummary summary) const;
    /// The labels of a message of `threadId` with those changes applied.
    QStringList appliedTo(const QString& threadId, QStringList labelIds) const;

private:
    struct Entry
    {
        PendingChange change;
        /// 0 while unsent.
        quint64 sentAt = 0;
    };

    QList<Entry> m_entries;
    quint64 m_stamp = 0;
};

} // namespace vesk
