#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace vesk {

/// One change the user made to one or several conversations at once that
/// Gmail has not confirmed yet: the labels it adds to and removes from every
/// message of the threads, and how it is sent (a trash and its undoing have
/// calls of their own, but change labels like any other).
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
    /// Never empty.
    QStringList threadIds;
    QStringList add;
    QStringList remove;
    /// The first conversation's subject when the change was made, to name it
    /// in a message about the change.
    QString subject;
    QDateTime madeAt;

    static PendingChange labels(QStringList threadIds, QStringList add, QStringList remove);
    /// Gmail's trash takes a thread out of the inbox and the spam too.
    static PendingChange trash(QStringList threadIds);
    /// Out of the trash, back into the inbox.
    static PendingChange untrash(QStringList threadIds);

    /// A message's labels once the change is made; Gmail's order is kept and
    /// an added label goes last.
    QStringList appliedTo(QStringList labelIds) const;
    /// The change that takes it back, as far as known without asking Google:
    /// what it added goes, what it removed comes back (but a trash undone
    /// brings a thread back to the inbox only, not to the spam, and a thread
    /// taken out of the trash goes back into it).
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
