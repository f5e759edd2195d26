#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace vesk {

/// One change the user made to a conversation that Gmail has not confirmed
/// yet: the labels it adds to and removes from every message of the thread,
/// and how it is sent (a trash and its undoing have calls of their own, but
/// change labels like any other).
///
/// A value; no I/O.
struct PendingChange
{
    enum class Kind
    {
        Labels,
        Trash,
        Untrash,
    };

    /// The journal's sequence number: unique per account, growing.
    quint64 id = 0;
    Kind kind = Kind::Labels;
    QString threadId;
    QStringList add;
    QStringList remove;
    /// The conversation's subject when the change was made, to name it in a
    /// message about the change.
    QString subject;
    QDateTime madeAt;

    static PendingChange labels(QString threadId, QStringList add, QStringList remove);
    /// Gmail's trash takes a thread out of the inbox and the spam too.
    static PendingChange trash(QString threadId);
    static PendingChange untrash(QString threadId);

    /// A message's labels once the change is made; Gmail's order is kept and
    /// an added label goes last.
    QStringList appliedTo(QStringList labelIds) const;
    /// The best guess at undoing it without asking Google: what it added
    /// goes, what it removed comes back (but a trash undone brings a thread
    /// back to the inbox only, not to the spam).
    PendingChange reversed() const;
    /// What the person did, as the verb of a sentence ("arquivar"), with
    /// `labelTitle` naming a label it puts on or takes off.
    QString action(const QString& labelTitle) const;
    /// The label it puts on or takes off that is not a system state (read,
    /// inbox, trash); empty when none.
    QString namedLabel() const;

    friend bool operator==(const PendingChange&, const PendingChange&) = default;
};

} // namespace vesk

Q_DECLARE_METATYPE(vesk::PendingChange)
