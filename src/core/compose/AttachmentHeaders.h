#pragma once

#include <QByteArray>

namespace vesk {

struct OutgoingAttachment;

/// The header block of one attachment part: Content-Type with the name,
/// Content-Disposition with the file name, Content-Transfer-Encoding base64;
/// lines joined with CR LF, no line end after the last.
///
/// A short printable ASCII name without double quotes, backslashes or "=?"
/// is written as it is, between double quotes. Any other name would break
/// the quoted string, be decoded by readers, not fit on a line, or reach the
/// receiver as bytes of unknown charset, so the file name is written as RFC
/// 2231 filename*=UTF-8''... (continued over several lines when long), and
/// the Content-Type name, for readers that know only that one, as RFC 2047
/// encoded words; a name with a quote or a backslash gets RFC 2231 there too
/// (see the implementation for why). Both headers are folded like the
/// message's own, so that no line passes 78 characters but for a long
/// media type. A media type that is not type/subtype becomes
/// application/octet-stream, so it cannot carry parameters of its own.
QByteArray attachmentPartHeaders(const OutgoingAttachment& attachment);

} // namespace vesk
