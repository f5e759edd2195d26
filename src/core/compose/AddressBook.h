#pragma once

#include "Contact.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace vesk {

class MessageSummary;
class SummaryTable;

/// The people of one account's own mail, ranked, for completing addresses
/// as they are typed: the recipients of mail the account sent and the
/// senders of mail it received.
///
/// A value, built once (on a worker for a large cache) and then only read,
/// so a lookup costs no request and no lock. The account's own address is
/// never offered; one address is one contact, whatever its letter case.
class AddressBook
{
public:
    /// Gathers contacts one message at a time, then ranks them.
    class Builder
    {
    public:
        /// `ownAddress` is left out; `nowMs` is the moment weights decay from.
        Builder(QString ownAddress, qint64 nowMs);

        void add(const MessageSummary& summary);
        /// Someone the account wrote to at `whenMs`, e.g. as the message left.
        void addRecipient(const QString& name, const QString& address, qint64 whenMs);
        void addSender(const QString& name, const QString& address, qint64 whenMs);
        AddressBook build() &&;

    private:
        struct Seen
        {
            Contact contact;
            qint64 namedAtMs = 0;
        };
        void note(const QString& name, const QString& address, qint64 whenMs, double weight);

        QString m_own;
        qint64 m_nowMs;
        QHash<QString, Seen> m_seen;
    };

    AddressBook() = default;
    static AddressBook fromSummaries(const SummaryTable& summaries, const QString& ownAddress,
                                     qint64 nowMs);

    /// Every contact, best first.
    QList<Contact> contacts() const;
    qsizetype size() const { return m_entries.size(); }
    /// The best `limit` contacts of which every typed word starts a word of
    /// the name or of the address, letter case and accents aside: "sil"
    /// finds "Ana Silva" and "joao" finds "joão.pires@x.pt".
    QList<Contact> matches(const QString& typed, qsizetype limit = 8) const;

    /// Lower case without accents, for comparing what was typed.
    static QString fold(const QString& text);
    /// The words of a folded text: split at spaces, dots, "@", "-" and "_".
    static QStringList words(const QString& folded);

private:
    struct Entry
    {
        Contact contact;
        QStringList words;
    };
    QList<Entry> m_entries;
};

} // namespace vesk
