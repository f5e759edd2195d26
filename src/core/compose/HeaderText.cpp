#include "HeaderText.h"

#include <algorithm>

namespace vesk::HeaderText {

namespace {

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

QByteArray singleLine(const QString& value)
{
    QByteArray utf8 = value.toUtf8();
    std::replace_if(
        utf8.begin(), utf8.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return utf8;
}

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QByteArray subject(const QString& subject)
{
    const QByteArray utf8 = singleLine(subject);
    return isAscii(utf8) ? utf8 : encodedWord(utf8);
}

QByteArray encodedWord(const QByteArray& utf8)
{
    return "=?UTF-8?B?" + utf8.toBase64() + "?=";
}

QList<QByteArray> characterPieces(const QByteArray& utf8, qsizetype maxBytes)
{
    QList<QByteArray> pieces;
    qsizetype start = 0;
    while (start < utf8.size()) {
        qsizetype end = std::min(start + maxBytes, utf8.size());
        // Back off to the start of the character the limit falls into; a
        // run of continuation bytes longer than a character is not UTF-8.
        qsizetype cut = end;
        while (cut < utf8.size() && cut > start && isContinuationByte(utf8[cut]))
            --cut;
        if (cut > start && end - cut < 4)
            end = cut;
        pieces.append(utf8.mid(start, end - start));
        start = end;
    }
    return pieces;
}

} // namespace vesk::HeaderText
