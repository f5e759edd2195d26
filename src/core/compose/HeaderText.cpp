#include "HeaderText.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <numeric>

namespace vesk::HeaderText {

namespace {

// 56 base64 characters between "=?UTF-8?B?" and "?=" make a word of 68.
constexpr qsizetype singleWordBytes = 42;
// The same room for a "Q" word's encoded text.
constexpr qsizetype qTextLimit = wordLimit - 12;
// A plain word must fit on a line after any header name the builder writes.
constexpr qsizetype plainWordLimit = hardLineLimit - 32;

bool isPrintableAscii(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() <= 0x7E;
}

// RFC 5322 atext: what an atom may hold without quoting.
bool isAtext(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-/=?^_`{|}~").contains(c);
}

// RFC 2047 section 5 (3): the characters a "Q" word may carry as they are
// in a phrase, the strictest of the three places a word may stand.
bool isQSafe(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!*+-/").contains(c);
}

qsizetype qLength(const QByteArray& utf8)
{
    return std::accumulate(utf8.begin(), utf8.end(), qsizetype(0), [](qsizetype sum, char c) {
        return sum + (isQSafe(c) || c == ' ' ? 1 : 3);
    });
}

QByteArray qEncoded(const QByteArray& utf8)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(qLength(utf8));
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (isQSafe(c)) {
            out += c;
        } else if (c == ' ') {
            out += '_';
        } else {
            out += '=';
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        }
    }
    return out;
}

// Words joined by single spaces give back the text exactly: a space is a
// join point only between two other characters, so the extra spaces of a
// run stay inside a word and no folded line is blank.
QByteArrayList spaceSeparated(const QByteArray& text)
{
    QByteArrayList words;
    QByteArray word;
    bool wordHasText = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == ' ' && wordHasText && at + 1 < text.size() && text[at + 1] != ' ') {
            words.append(word);
            word.clear();
            wordHasText = false;
            continue;
        }
        word += c;
        wordHasText = wordHasText || c != ' ';
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

bool needsEncoding(const QString& text)
{
    if (text.contains(QStringLiteral("=?")))
        return true; // a reader would decode it
    if (!std::all_of(text.begin(), text.end(),
                     [](QChar c) { return isPrintableAscii(c) || c == u'\t'; }))
        return true;
    const QList<QStringView> words = QStringView(text).split(u' ');
    return std::any_of(words.begin(), words.end(),
                       [](QStringView word) { return word.size() > plainWordLimit; });
}

QByteArray quotedString(const QByteArray& ascii)
{
    QByteArray quoted = "\"";
    for (const char c : ascii) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

bool isAtom(const QByteArray& word)
{
    return !word.isEmpty() && word.size() <= wordLimit &&
           std::all_of(word.begin(), word.end(), isAtext);
}

// The characters of one grapheme cluster, each on its own, for a cluster
// too large for one piece. A surrogate pair stays together.
QList<QStringView> characters(QStringView cluster)
{
    QList<QStringView> result;
    for (qsizetype at = 0; at < cluster.size();) {
        const qsizetype length = cluster[at].isHighSurrogate() && at + 1 < cluster.size() &&
                                         cluster[at + 1].isLowSurrogate()
                                     ? 2
                                     : 1;
        result.append(cluster.mid(at, length));
        at += length;
    }
    return result;
}

} // namespace

QString withoutLineBreaks(const QString& value)
{
    QString text = value;
    std::replace_if(
        text.begin(), text.end(), [](QChar c) { return c == u'\r' || c == u'\n'; }, u' ');
    return text;
}

QByteArray folded(const QByteArray& name, const QByteArrayList& words)
{
    QByteArray line = name + ':';
    qsizetype lineLength = line.size();
    bool lineHasWord = false;
    for (const QByteArray& word : words) {
        if (lineHasWord && lineLength + 1 + word.size() > lineLimit) {
            line += "\r\n";
            lineLength = 0;
        }
        line += ' ' + word;
        lineLength += 1 + word.size();
        lineHasWord = true;
    }
    if (words.isEmpty())
        line += ' ';
    return line;
}

QByteArrayList unstructuredWords(const QString& text)
{
    const QString value = withoutLineBreaks(text);
    if (value.isEmpty())
        return {};
    if (needsEncoding(value))
        return encodedWords(value);
    return spaceSeparated(value.toLatin1());
}

QByteArrayList phraseWords(const QString& text)
{
    const QString value = withoutLineBreaks(text);
    if (value.isEmpty())
        return {};
    if (std::all_of(value.begin(), value.end(), isPrintableAscii)) {
        const QByteArray ascii = value.toLatin1();
        QByteArrayList atoms = ascii.split(' ');
        if (std::all_of(atoms.begin(), atoms.end(), isAtom))
            return atoms;
        const QByteArray quoted = quotedString(ascii);
        if (quoted.size() <= wordLimit)
            return {quoted};
    }
    return encodedWords(value);
}

QByteArrayList encodedWords(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= singleWordBytes)
        return {"=?UTF-8?B?" + utf8.toBase64() + "?="};
    QByteArrayList words;
    for (const QByteArray& piece : textPieces(text, qTextLimit, qLength))
        words.append("=?UTF-8?Q?" + qEncoded(piece) + "?=");
    return words;
}

QList<QByteArray> textPieces(const QString& text, qsizetype budget, PieceCost cost)
{
    QList<QByteArray> pieces;
    QByteArray piece;
    qsizetype pieceCost = 0;
    const auto add = [&](QStringView unit) {
        const QByteArray bytes = unit.toUtf8();
        const qsizetype unitCost = cost(bytes);
        if (!piece.isEmpty() && pieceCost + unitCost > budget) {
            pieces.append(piece);
            piece.clear();
            pieceCost = 0;
        }
        piece += bytes;
        pieceCost += unitCost;
    };
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = clusters.toNextBoundary(); end > start; end = clusters.toNextBoundary()) {
        const QStringView cluster = QStringView(text).mid(start, end - start);
        if (cost(cluster.toUtf8()) <= budget) {
            add(cluster);
        } else {
            for (const QStringView character : characters(cluster))
                add(character);
        }
        start = end;
    }
    if (!piece.isEmpty())
        pieces.append(piece);
    return pieces;
}

} // namespace vesk::HeaderText
