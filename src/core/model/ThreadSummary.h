#pragma once

#include "MessageSummary.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace vesk {

/// One conversation as the thread list shows it: the grouped summaries of a
/// thread, oldest first.
struct ThreadSummary
{
    QString threadId;
    QList<MessageSummary> messages;
    /// The account it belongs to, in a list that mixes accounts; empty in
    /// one account's list.
    QString accountId;

    const QString& id() const { return threadId; }

    /// Groups summaries into threads. Inside a thread the messages are sorted
    /// oldest first (stable for equal dates); threads come newest first by
    /// their latest message. Nothing is dropped or merged.
    static QList<ThreadSummary> group(const QList<MessageSummary>& summaries);
    /// Several accounts' threads (each newest first) as one list, newest
    /// first; equal dates keep the accounts' order.
    static QList<ThreadSummary> merge(QList<QList<ThreadSummary>> lists);
    /// A thread's id in a list that mixes accounts, where two accounts may
    /// use the same id; splitMergedId() gives the account and the id back.
    static QString mergedId(const QString& accountId, const QString& threadId);
    /// None for an id that mergedId() did not make.
    static std::optional<std::pair<QString, QString>> splitMergedId(const QString& id);

    /// The newest message; only valid for a thread with messages, which
    /// group() guarantees.
    const MessageSummary& latest() const { return messages.constLast(); }
    /// The oldest message's subject, or "(sem assunto)" when it has none.
    QString subject() const;
    bool isUnread() const;
    /// Whether any of its messages carries the label: a conversation is
    /// starred, in the trash or in the spam as soon as one message is.
    bool anyHasLabel(const QString& labelId) const;
    bool isStarred() const;
    /// Distinct senders, oldest first, by name or else address, joined by ", ".
    QString participants() const;

    friend bool operator==(const ThreadSummary&, const ThreadSummary&) = default;
};

} // namespace vesk
