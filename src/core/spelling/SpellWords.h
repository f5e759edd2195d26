#pragma once

#include <QList>
#include <QStringView>

namespace vesk {

/// Where a word to check lies in a text, in UTF-16 units.
struct WordSpan
{
    qsizetype start = 0;
    qsizetype length = 0;

    qsizetype end() const { return start + length; }
    bool contains(qsizetype position) const { return position >= start && position <= end(); }
    friend bool operator==(const WordSpan&, const WordSpan&) = default;
};

/// The words of `text` worth a dictionary's opinion, in order. Hyphenated
/// and elided words ("guarda-chuva", "d'água") come whole; addresses, links,
/// anything with a digit and short words in capitals (acronyms) are left out.
/// A line quoted from another message ("> …") is not the writer's to fix.
QList<WordSpan> checkableWords(QStringView text);

/// The checkable word of `text` that `position` is in or touches; an empty
/// span when there is none.
WordSpan checkableWordAt(QStringView text, qsizetype position);

} // namespace vesk
