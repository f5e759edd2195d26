#pragma once

#include "SpellLanguage.h"

#include <QHash>
#include <QStringConverter>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

class Hunspell;

namespace vesk {

/// One language's Hunspell dictionary. Hunspell speaks the dictionary's own
/// encoding (UTF-8, ISO-8859-1…); this converts both ways, so that a caller
/// deals in QString alone. Loading reads the whole word list (tens of
/// milliseconds for Portuguese), so `load` belongs on a worker; afterwards the
/// checker is used from one thread at a time.
class SpellChecker final
{
public:
    /// Nothing when the files cannot be read or their encoding is unknown.
    /// `ownWords` are accepted besides the dictionary's.
    static std::unique_ptr<SpellChecker> load(const SpellLanguage& language,
                                              const QStringList& ownWords = {});
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    const SpellLanguage& language() const { return m_language; }

    /// Words the dictionary cannot spell in its encoding are given the
    /// benefit of the doubt.
    bool isCorrect(QStringView word) const;
    /// The dictionary's best replacements, most likely first.
    QStringList suggestions(QStringView word, qsizetype most = 5) const;
    /// Accepted from now on, for as long as this checker lives.
    void addWord(const QString& word);

private:
    SpellChecker(SpellLanguage language, std::unique_ptr<Hunspell> hunspell, QStringEncoder encoder,
                 QStringDecoder decoder);
    std::optional<std::string> encoded(QStringView word) const;
    std::optional<QString> decoded(const std::string& word) const;
    bool spells(QStringView word) const;

    SpellLanguage m_language;
    std::unique_ptr<Hunspell> m_hunspell;
    mutable QStringEncoder m_encoder;
    mutable QStringDecoder m_decoder;
    /// Typing re-checks the same words over and over.
    mutable QHash<QString, bool> m_verdicts;
};

} // namespace vesk
