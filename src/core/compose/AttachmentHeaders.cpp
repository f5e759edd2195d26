#include "AttachmentHeaders.h"

#include "HeaderText.h"
#include "OutgoingAttachment.h"

#include <QRegularExpression>

#include <algorithm>

namespace vesk {

namespace {

// An encoded word may be 75 characters long: 12 of them are "=?UTF-8?B?"
// and "?=", leaving 60 base64 characters for 45 bytes.
constexpr qsizetype encodedWordBytes = 45;
// Percent-encoding triples a byte at most; 20 bytes keep each RFC 2231
// segment line well under 78 characters.
constexpr qsizetype segmentBytes = 20;

QByteArray mediaTypeOf(const QString& mimeType)
{
    static const QRegularExpression typeSlashSubtype(
        QStringLiteral("^[A-Za-z0-9!#$&^_.+-]+/[A-Za-z0-9!#$&^_.+-]+$"));
    const QString trimmed = mimeType.trimmed();
    if (!typeSlashSubtype.match(trimmed).hasMatch())
        return "application/octet-stream";
    return trimmed.toLatin1();
}

bool isPrintableAscii(const QByteArray& name)
{
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte <= 0x7E;
    });
}

bool hasQuoteOrBackslash(const QByteArray& name)
{
    return name.contains('"') || name.contains('\\');
}

// RFC 2231 values hold attribute-chars as they are and %XX for every other byte;
// Qt leaves letters, digits and "-._~" alone, the rest are named here.
QByteArray percentEncoded(const QByteArray& bytes)
{
    return bytes.toPercentEncoding("!#$&+^`{|}");
}

// Readers decode encoded words inside a quoted parameter and then read the
// result as quoted text again, so a quote or backslash in the name would cut
// or change it; such names go in RFC 2231 form only.
QByteArray encodedWordParameter(const QByteArray& utf8)
{
    QByteArrayList words;
    for (const QByteArray& piece : HeaderText::characterPieces(utf8, encodedWordBytes))
        words.append(HeaderText::encodedWord(piece));
    // Folding white space between adjacent encoded words is dropped on decoding.
    return " name=\"" + words.join("\r\n ") + '"';
}

QByteArray rfc2231Parameter(const QByteArray& attribute, const QByteArray& utf8)
{
    const QList<QByteArray> pieces = HeaderText::characterPieces(utf8, segmentBytes);
    if (pieces.size() <= 1)
        return ' ' + attribute + "*=UTF-8''" + percentEncoded(utf8);
    QByteArrayList segments;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QByteArray charset = i == 0 ? "UTF-8''" : "";
        segments.append("\r\n " + attribute + '*' + QByteArray::number(i) + "*=" + charset +
                        percentEncoded(pieces[i]));
    }
    return segments.join(';');
}

} // namespace

QByteArray attachmentPartHeaders(const OutgoingAttachment& attachment)
{
    const QByteArray name = HeaderText::singleLine(attachment.filename);
    const QByteArray type = "Content-Type: " + mediaTypeOf(attachment.mimeType) + ';';
    const QByteArray encoding = "\r\nContent-Transfer-Encoding: base64";
    if (isPrintableAscii(name) && !hasQuoteOrBackslash(name)) {
        return type + " name=\"" + name + "\"\r\nContent-Disposition: attachment; filename=\"" +
               name + '"' + encoding;
    }
    const QByteArray nameParameter =
        hasQuoteOrBackslash(name) ? rfc2231Parameter("name", name) : encodedWordParameter(name);
    return type + nameParameter + "\r\nContent-Disposition: attachment;" +
           rfc2231Parameter("filename", name) + encoding;
}

} // namespace vesk
