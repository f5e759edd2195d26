#include "AttachmentHeaders.h"

#include "HeaderText.h"
#include "OutgoingAttachment.h"

#include <QRegularExpression>

#include <algorithm>
#include <numeric>

namespace vesk {

namespace {

// RFC 6838 allows 127 characters on each side of the slash.
constexpr qsizetype mediaTypeLimit = 255;
// The percent-encoded text of one RFC 2231 segment: with the longest
// attribute, `filename*0*=UTF-8''` and the closing ";", a segment is a word
// of at most 74 characters.
constexpr qsizetype segmentText = 54;
// filename="..." stays one word of at most 77 characters.
constexpr qsizetype plainNameLimit = HeaderText::lineLimit - 12;

// Letters, digits and "-._~" are left alone by Qt; the rest are named here.
constexpr char unescapedPunctuation[] = "!#$&+^`{|}";

QByteArray mediaTypeOf(const QString& mimeType)
{
    static const QRegularExpression s_typeSlashSubtype(
        QStringLiteral("^[A-Za-z0-9!#$&^_.+-]+/[A-Za-z0-9!#$&^_.+-]+$"));
    const QString trimmed = mimeType.trimmed();
    if (trimmed.size() > mediaTypeLimit || !s_typeSlashSubtype.match(trimmed).hasMatch())
        return "application/octet-stream";
    return trimmed.toLatin1();
}

// A name that can go between double quotes as it is and be read back the
// same by every reader.
bool isPlainName(const QString& name)
{
    const bool printable = std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() <= 0x7E && c != u'"' && c != u'\\';
    });
    return printable && name.size() <= plainNameLimit && !name.contains(QStringLiteral("=?"));
}

bool hasQuoteOrBackslash(const QString& name)
{
    return name.contains(u'"') || name.contains(u'\\');
}

// RFC 2231 values hold attribute-chars as they are and %XX for every other byte.
QByteArray percentEncoded(const QByteArray& bytes)
{
    return bytes.toPercentEncoding(unescapedPunctuation);
}

qsizetype percentLength(const QByteArray& utf8)
{
    return std::accumulate(utf8.begin(), utf8.end(), qsizetype(0), [](qsizetype sum, char c) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || QByteArrayView("-._~").contains(c) ||
                          QByteArrayView(unescapedPunctuation).contains(c);
        return sum + (kept ? 1 : 3);
    });
}

// Readers decode encoded words inside a quoted parameter and then read the
// result as quoted text again, so a quote or backslash in the name would cut
// or change it; such names go in RFC 2231 form only.
QByteArrayList encodedWordParameter(const QString& name)
{
    // Folding white space between adjacent encoded words is dropped on decoding.
    QByteArrayList words = HeaderText::encodedWords(name);
    words.first().prepend("name=\"");
    words.last().append('"');
    return words;
}

QByteArrayList rfc2231Parameter(const QByteArray& attribute, const QString& name)
{
    const QList<QByteArray> pieces = HeaderText::textPieces(name, segmentText, percentLength);
    if (pieces.size() <= 1)
        return {attribute + "*=UTF-8''" + percentEncoded(name.toUtf8())};
    QByteArrayList segments;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QByteArray charset = i == 0 ? "UTF-8''" : "";
        const QByteArray end = i + 1 < pieces.size() ? ";" : "";
        segments.append(attribute + '*' + QByteArray::number(i) + "*=" + charset +
                        percentEncoded(pieces[i]) + end);
    }
    return segments;
}

} // namespace

QByteArray attachmentPartHeaders(const OutgoingAttachment& attachment)
{
    const QString name = HeaderText::withoutLineBreaks(attachment.filename);
    QByteArrayList type{mediaTypeOf(attachment.mimeType) + ';'};
    QByteArrayList disposition{"attachment;"};
    if (isPlainName(name)) {
        type.append("name=\"" + name.toLatin1() + '"');
        disposition.append("filename=\"" + name.toLatin1() + '"');
    } else {
        type.append(hasQuoteOrBackslash(name) ? rfc2231Parameter("name", name)
                                              : encodedWordParameter(name));
        disposition.append(rfc2231Parameter("filename", name));
    }
    return HeaderText::folded("Content-Type", type) + "\r\n" +
           HeaderText::folded("Content-Disposition", disposition) +
           "\r\nContent-Transfer-Encoding: base64";
}

} // namespace vesk
