#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vesk::HeaderText {

/// The UTF-8 of a header value with every CR and every LF replaced by a
/// space. Header values come from typed fields, file names and replied-to
/// messages; a line break left inside one would let the rest of the text
/// become headers of its own (a Bcc nobody typed, for one).
QByteArray singleLine(const QString& value);

/// True when every byte is 7-bit.
bool isAscii(const QByteArray& bytes);

/// The Subject value: the text itself when it is ASCII, otherwise the whole
/// text as one RFC 2047 "B" encoded word. Never split or folded, so a long
/// non-ASCII subject makes one long line.
QByteArray subject(const QString& subject);

/// "=?UTF-8?B?" + standard base64 with padding + "?=".
QByteArray encodedWord(const QByteArray& utf8);

/// UTF-8 cut into pieces of at most `maxBytes` that never split a
/// character, so that each piece decodes on its own. A byte sequence that
/// is not UTF-8 is cut wherever the limit falls.
QList<QByteArray> characterPieces(const QByteArray& utf8, qsizetype maxBytes);

} // namespace vesk::HeaderText
