#pragma once

#include <QString>
#include <QStringList>

namespace vesk {

/// The words the user added, one a line in a plain UTF-8 file
/// ("personal-words.txt") in the settings folder, so that they can be read,
/// edited and copied by hand. Saved whole and atomically on every addition.
/// A file too big, or with lines that are no words, is read as far as it
/// makes sense; before it is first rewritten the original is kept beside it
/// as "personal-words.damaged.txt", so nothing typed by hand is lost.
class PersonalDictionary final
{
public:
    explicit PersonalDictionary(const QString& folder);

    QString filePath() const { return m_path; }
    /// Sorted, without repeats.
    const QStringList& words() const { return m_words; }
    bool contains(const QString& word) const;

    /// Whether `word` is one: no spaces, no control characters, not too long.
    static bool isWord(const QString& word);
    /// False when `word` is none or the file cannot be written; the word is
    /// not kept then either, so that what shows is what a restart finds.
    bool add(const QString& word);

private:
    void read();
    bool keepDamagedOriginal();

    QString m_path;
    QStringList m_words;
    bool m_damaged = false;
};

} // namespace vesk
