#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vesk {

/// A `mailto:` address (RFC 6068) read into the fields of a new message,
/// from a link in a mail, the command line or another program.
///
/// The recipients of the path and of `to=` fields are merged; `cc`, `bcc`,
/// `subject` and `body` are read, header names in any case, percent escapes
/// as UTF-8. Everything else is left out, and what is left out is said in
/// `leftOut`, so that the person learns what the address asked for that the
/// message does not carry.
///
/// The address comes from anyone, so no field but the body holds a line
/// break or another control character (none can reach a header as one), an
/// entry of To, Cc or Bcc is a mailbox OutgoingAddress accepts or is left
/// out, and every field has a bounded size.
struct MailtoAddress
{
    /// Why a piece of the address did not make it into the message.
    enum class Problem
    {
        /// The text is not a mailto: address at all (another scheme, or
        /// none): nothing was read.
        NotMailto,
        /// The address or a field was longer than a message may take from
        /// one; the rest was cut.
        TooLong,
        /// A "%" without two hexadecimal digits; kept as written.
        BadEscape,
        /// Escaped bytes that are not UTF-8; shown as replacement characters.
        BadEncoding,
        /// Line breaks or other control characters where a field holds one
        /// line; replaced by spaces (or dropped from the body).
        ControlCharacters,
        /// An entry of To, Cc or Bcc that is not a mailbox.
        BadAddress,
        /// A field this program does not fill (In-Reply-To, a second
        /// subject, a piece without "=").
        IgnoredField,
    };

    struct LeftOut
    {
        Problem problem;
        /// What was left out: the entry, or the name of the field; one
        /// line, at most maxPieceLength characters.
        QString piece;

        bool operator==(const LeftOut&) const = default;
    };

    static constexpr qsizetype maxInputLength = 256 * 1024;
    static constexpr qsizetype maxSubjectLength = 998;
    static constexpr qsizetype maxBodyLength = 128 * 1024;
    static constexpr qsizetype maxRecipients = 100;
    static constexpr qsizetype maxPieceLength = 80;
    static constexpr qsizetype maxLeftOut = 20;

    QStringList to;
    QStringList cc;
    QStringList bcc;
    QString subject;
    /// Lines end in "\n" whatever the address used.
    QString body;
    /// In the order met, each once, at most maxLeftOut of them.
    QList<LeftOut> leftOut;

    /// Reads `text`, percent-encoded as a URI is; spaces around it go.
    static MailtoAddress parse(const QString& text);

    /// Whether the text was a mailto: address (possibly with nothing in it).
    bool isMailto() const;
    /// What leftOut says, in a sentence for the composer; empty when
    /// nothing was left out.
    QString leftOutText() const;
};

} // namespace vesk
