#pragma once

#include "OutgoingAttachment.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk {

/// Turns the fields of a message being written into what Gmail takes for
/// sending and for drafts. Pure functions without state, callable from any
/// thread; the composer session calls them on the GUI thread.
///
/// Messages are RFC 5322 text with CR LF line ends and no final line end;
/// every body is base64. Headers are 7-bit and folded: display names and a
/// subject that are not plain ASCII go out as RFC 2047 encoded words, the
/// addresses as written; lines stay within 78 characters wherever there is a
/// place to fold and never pass 998. A CR or LF inside a value becomes a
/// space, so no field can start a header of its own, and an address entry
/// that is no mailbox goes out as a display name alone (see OutgoingAddress).
namespace MIMEBuilder {

/// The complete message as bytes: a single text/plain part, or
/// multipart/mixed with the text first and then the attachments in order.
/// Each multipart message gets a fresh boundary. `from` is the sender's
/// bare address; absent reply headers are left out.
QByteArray buildMessage(const QString& from, const QStringList& to, const QStringList& cc,
                        const QStringList& bcc, const QString& subject, const QString& body,
                        const QList<OutgoingAttachment>& attachments,
                        const std::optional<QString>& inReplyTo = std::nullopt,
                        const std::optional<QString>& references = std::nullopt);

/// Gmail's "raw" value (unpadded base64url, so plain ASCII) of the message
/// buildMessage gives for the same fields. The message is encoded while it is
/// written into a buffer allocated once at its final size, so the only large
/// blocks alive at once are the attachments and this result.
QByteArray buildRaw(const QString& from, const QStringList& to, const QStringList& cc,
                    const QStringList& bcc, const QString& subject, const QString& body,
                    const QList<OutgoingAttachment>& attachments,
                    const std::optional<QString>& inReplyTo = std::nullopt,
                    const std::optional<QString>& references = std::nullopt);

/// Base64url without "=" padding: the form of Gmail's "raw" message field.
QString encodeBase64Url(const QByteArray& bytes);

/// The addresses of one typed address field. Commas separate addresses,
/// except inside a double-quoted display name ("Silva, Ana" <a@x.pt>); spaces
/// and tabs around each piece go, empty pieces are dropped, order and
/// duplicates stay. Semicolons and line breaks are part of an address.
QStringList splitAddresses(const QString& text);

/// The media type for a file name, from its last extension, case ignored;
/// "application/octet-stream" for anything not in the table.
QString mimeType(const QString& forFilename);

} // namespace MIMEBuilder

} // namespace vesk
