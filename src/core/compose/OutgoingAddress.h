#pragma once

#include <QByteArrayList>
#include <QString>

#include <optional>

namespace vesk {

/// One entry of an address field (after MIMEBuilder::splitAddresses) read as
/// a mailbox: `Name <local@domain>`, `"Quoted, Name" <local@domain>`,
/// `local@domain (Name)` or a bare `local@domain`.
///
/// The address must have exactly one "@", a local part of RFC 5322 atom
/// characters and dots, and a domain of letters, digits and hyphens in
/// dot-separated labels; no spaces, control characters, quotes or angle
/// brackets; at most 254 characters (the longest path SMTP carries). A
/// domain written in other scripts is kept in its ASCII (IDNA) form, so the
/// header stays 7-bit; a local part in other scripts is refused, as it
/// cannot be written in a 7-bit header at all. The entry holds no control
/// character anywhere, so a line break typed into a field never passes.
struct OutgoingAddress
{
    /// The display name as a reader shows it (quotes and escapes undone);
    /// empty when the entry has none.
    QString name;
    /// The address as written, apart from an IDNA domain.
    QString address;

    /// The mailbox an entry names, or nothing when it is not one.
    static std::optional<OutgoingAddress> parse(const QString& entry);
    /// Why parse() refuses the entry, in words for the person who typed it;
    /// empty when it does not.
    static QString problem(const QString& entry);

    /// The words the entry takes in an address header, its display name
    /// encoded where needed. An entry that is no mailbox (a draft may hold
    /// half-typed ones) is written as a display name alone (atoms, a quoted
    /// string or encoded words), so that no typed text can make a group or
    /// a second address.
    static QByteArrayList headerWords(const QString& entry);
};

} // namespace vesk
