#include "SpellWords.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace vesk {

namespace {

/// Acronyms ("IVA", "NASA") are not in dictionaries and rarely misspelt.
constexpr qsizetype s_acronymLength = 5;
/// Longer "words" are pasted codes or keys; Hunspell refuses them anyway.
constexpr qsizetype s_longestWord = 60;

bool joinsWords(QChar c)
{
    return c == u'-' || c == u'\'' || c == QChar(0x2019);
}

bool isQuoted(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    return trimmed.startsWith(u'>');
}

/// The run of text between spaces that holds [start, end).
QStringView chunkAround(QStringView text, qsizetype start, qsizetype end)
{
    while (start > 0 && !text.at(start - 1).isSpace())
        --start;
    while (end < text.size() && !text.at(end).isSpace())
        ++end;
    return text.mid(start, end - start);
}

bool isAddressOrLink(QStringView chunk)
{
    return chunk.contains(u'@') || chunk.contains(u"://") ||
           chunk.startsWith(u"www.", Qt::CaseInsensitive);
}

bool worthChecking(QStringView word)
{
    if (word.size() > s_longestWord)
        return false;
    bool anyLetter = false;
    bool anyLower = false;
    for (const QChar c : word) {
        if (c.isDigit())
            return false;
        anyLetter = anyLetter || c.isLetter();
        anyLower = anyLower || c.isLower();
    }
    return anyLetter && (anyLower || word.size() > s_acronymLength);
}

/// Unicode's words, before hyphenated ones are put back together.
QList<WordSpan> boundaryWords(QStringView text)
{
    QList<WordSpan> words;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text.data(), text.size());
    // The finder starts at the text's first boundary, which may begin a word.
    qsizetype start = finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem ? 0 : -1;
    for (qsizetype at = finder.toNextBoundary(); at != -1; at = finder.toNextBoundary()) {
        const QTextBoundaryFinder::BoundaryReasons reasons = finder.boundaryReasons();
        if (reasons & QTextBoundaryFinder::EndOfItem && start >= 0 && at > start)
            words.append({start, at - start});
        start = reasons & QTextBoundaryFinder::StartOfItem ? at : -1;
    }
    return words;
}

/// "guarda" "-" "chuva" is one word; so is a chain ("mais-que-perfeito").
QList<WordSpan> joined(QStringView text, const QList<WordSpan>& parts)
{
    QList<WordSpan> words;
    for (const WordSpan& part : parts) {
        if (!words.isEmpty() && words.last().end() + 1 == part.start &&
            joinsWords(text.at(part.start - 1)))
            words.last().length = part.end() - words.last().start;
        else
            words.append(part);
    }
    return words;
}

} // namespace

QList<WordSpan> checkableWords(QStringView text)
{
    if (isQuoted(text))
        return {};
    QList<WordSpan> words = joined(text, boundaryWords(text));
    words.removeIf([text](const WordSpan& word) {
        return !worthChecking(text.mid(word.start, word.length)) ||
               isAddressOrLink(chunkAround(text, word.start, word.end()));
    });
    return words;
}

WordSpan checkableWordAt(QStringView text, qsizetype position)
{
    const QList<WordSpan> words = checkableWords(text);
    const auto found = std::find_if(words.begin(), words.end(),
                                    [position](const WordSpan& w) { return w.contains(position); });
    return found == words.end() ? WordSpan{} : *found;
}

} // namespace vesk
