#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vesk::HeaderText {

/// The longest header line the builder writes wherever the text leaves a
/// place to fold (RFC 5322's "SHOULD"). A single token with no fold point
/// inside (a long media type, a message id) may still make a longer line.
constexpr qsizetype lineLimit = 78;
/// The longest header line there may ever be (RFC 5322's "MUST").
constexpr qsizetype hardLineLimit = 998;
/// The longest word any of the functions below gives, so that a word always
/// fits on a line of its own, and even on the first line after "Subject: ".
constexpr qsizetype wordLimit = 68;

/// The text with every CR and every LF replaced by a space. Header values
/// come from typed fields, file names and replied-to messages; a line break
/// left inside one would let the rest of the text become headers of its own
/// (a Bcc nobody typed, for one).
QString withoutLineBreaks(const QString& value);

/// "Name: " followed by the words joined with single spaces, folded (CR LF
/// before a joining space) so that no line passes lineLimit unless a word
/// alone is longer. Unfolding gives back the words joined with spaces.
QByteArray folded(const QByteArray& name, const QByteArrayList& words);

/// An unstructured value (Subject) as words to fold. Plain printable ASCII
/// stays as it is, split at its spaces; anything else (other characters,
/// text that would read as an encoded word, a word too long for any line)
/// becomes encodedWords of the whole text.
QByteArrayList unstructuredWords(const QString& text);

/// A display name as words of an address header: plain atoms when it is
/// made of them, one quoted string when it is short printable ASCII, and
/// otherwise encoded words. Readers show the same text in every case.
QByteArrayList phraseWords(const QString& text);

/// RFC 2047 encoded words of the text in UTF-8, none over wordLimit: one
/// "B" word when the whole text fits in one, otherwise "Q" words. Every word
/// holds whole characters, cut between grapheme clusters where a cluster is
/// small enough, and never inside a character. (Several "B" words would need
/// padding inside the run, which some readers decode as the end of the
/// text; "Q" words can be cut anywhere.) Q words use only characters that
/// RFC 2047 allows in a display name, so they fit in any header.
QByteArrayList encodedWords(const QString& text);

/// The UTF-8 of `text` cut into consecutive pieces, each within `budget` by
/// `cost` (which adds up over the bytes of the piece), cut between grapheme
/// clusters where possible and otherwise between characters. Each piece
/// decodes on its own; together they are the whole text.
using PieceCost = qsizetype (*)(const QByteArray& utf8);
QList<QByteArray> textPieces(const QString& text, qsizetype budget, PieceCost cost);

} // namespace vesk::HeaderText
