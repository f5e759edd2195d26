#include "AddressBook.h"

#include "MIMEBuilder.h"
#include "OutgoingAddress.h"
#include "model/MessageSummary.h"
#include "model/SummaryTable.h"

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

// Writing to someone says far more about whom a person wants to reach than
// being written to by them (newsletters write often, and nobody answers).
constexpr double recipientWeight = 10.0;
constexpr double senderWeight = 1.0;
// A message's weight halves every this many days, so that last month's
// correspondents come before those of years ago.
constexpr double halfLifeDays = 90.0;
constexpr double msPerDay = 86400000.0;

bool isSeparator(QChar c)
{
    return c.isSpace() || c == u'.' || c == u'@' || c == u'-' || c == u'_';
}

bool isMark(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// An angle-bracketed name, or one with a comma or quote, must be quoted to
// read back as one mailbox.
QString quotedName(const QString& name)
{
    static const QString special = QStringLiteral("()<>[]:;@\\,.\"");
    const bool plain =
        std::none_of(name.begin(), name.end(), [](QChar c) { return special.contains(c); });
    if (plain)
        return name;
    QString escaped = name;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + escaped + u'"';
}

bool matchesAll(const QStringList& typed, const QStringList& words)
{
    return std::all_of(typed.begin(), typed.end(), [&](const QString& part) {
        return std::any_of(words.begin(), words.end(),
                           [&](const QString& word) { return word.startsWith(part); });
    });
}

} // namespace

QString Contact::entry() const
{
    return name.isEmpty() ? address : quotedName(name) + QStringLiteral(" <") + address + u'>';
}

AddressBook::Builder::Builder(QString ownAddress, qint64 nowMs)
    : m_own(std::move(ownAddress).toLower())
    , m_nowMs(nowMs)
{}

void AddressBook::Builder::add(const MessageSummary& summary)
{
    const qint64 when = summary.internalDateMs();
    if (!summary.recipients().isEmpty()) {
        for (const QString& entry : MIMEBuilder::splitAddresses(summary.recipients())) {
            if (const std::optional<OutgoingAddress> mailbox = OutgoingAddress::parse(entry))
                addRecipient(mailbox->name, mailbox->address, when);
        }
    }
    // The account's own copies of what it sent name it as the sender.
    if (!summary.hasLabel(QStringLiteral("SENT")))
        addSender(summary.fromName(), summary.fromEmail(), when);
}

void AddressBook::Builder::addRecipient(const QString& name, const QString& address, qint64 whenMs)
{
    note(name, address, whenMs, recipientWeight);
}

void AddressBook::Builder::addSender(const QString& name, const QString& address, qint64 whenMs)
{
    // Senders come from mail as received, so only those that could be
    // written back to are kept.
    const std::optional<OutgoingAddress> mailbox = OutgoingAddress::parse(address);
    if (mailbox)
        note(name, mailbox->address, whenMs, senderWeight);
}

void AddressBook::Builder::note(const QString& name, const QString& address, qint64 whenMs,
                                double weight)
{
    const QString key = address.toLower();
    if (key.isEmpty() || key == m_own)
        return;
    const double ageDays = std::max(0.0, double(m_nowMs - whenMs) / msPerDay);
    Seen& seen = m_seen[key];
    if (seen.contact.address.isEmpty())
        seen.contact.address = address;
    seen.contact.score += weight * std::exp2(-ageDays / halfLifeDays);
    // The name last used wins, with the address as written beside it; a
    // name that only repeats the address is none.
    const QString shown = name.trimmed();
    if (!shown.isEmpty() && shown.compare(address, Qt::CaseInsensitive) != 0 &&
        (seen.contact.name.isEmpty() || whenMs >= seen.namedAtMs)) {
        seen.contact.name = shown;
        seen.contact.address = address;
        seen.namedAtMs = whenMs;
    }
}

AddressBook AddressBook::Builder::build() &&
{
    AddressBook book;
    book.m_entries.reserve(m_seen.size());
    for (auto it = m_seen.cbegin(); it != m_seen.cend(); ++it) {
        const Contact& contact = it->contact;
        book.m_entries.append(
            Entry{contact, words(fold(contact.name)) + words(fold(contact.address))});
    }
    m_seen.clear();
    std::sort(book.m_entries.begin(), book.m_entries.end(), [](const Entry& a, const Entry& b) {
        if (a.contact.score != b.contact.score)
            return a.contact.score > b.contact.score;
        return a.contact.address < b.contact.address;
    });
    return book;
}

AddressBook AddressBook::fromSummaries(const SummaryTable& summaries, const QString& ownAddress,
                                       qint64 nowMs)
{
    Builder builder(ownAddress, nowMs);
    for (const MessageSummary& summary : summaries)
        builder.add(summary);
    return std::move(builder).build();
}

QList<Contact> AddressBook::contacts() const
{
    QList<Contact> all;
    all.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        all.append(entry.contact);
    return all;
}

QList<Contact> AddressBook::matches(const QString& typed, qsizetype limit) const
{
    const QStringList parts = words(fold(typed));
    QList<Contact> found;
    if (parts.isEmpty())
        return found;
    for (const Entry& entry : m_entries) {
        if (found.size() >= limit)
            break;
        if (matchesAll(parts, entry.words))
            found.append(entry.contact);
    }
    return found;
}

QString AddressBook::fold(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (!isMark(c))
            folded.append(c);
    }
    return folded.toCaseFolded();
}

QStringList AddressBook::words(const QString& folded)
{
    QStringList found;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= folded.size(); ++at) {
        if (at < folded.size() && !isSeparator(folded.at(at)))
            continue;
        if (at > start)
            found.append(folded.mid(start, at - start));
        start = at + 1;
    }
    return found;
}

} // namespace vesk
