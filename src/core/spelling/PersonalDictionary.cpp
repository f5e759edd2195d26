#include "PersonalDictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace vesk {

namespace {

/// Far beyond a lifetime of added words; more is not a word list.
constexpr qint64 s_largestFile = 1 << 20;
constexpr qsizetype s_mostWords = 50'000;
constexpr qsizetype s_longestWord = 60;

} // namespace

PersonalDictionary::PersonalDictionary(const QString& folder)
    : m_path(QDir(folder).filePath(QStringLiteral("personal-words.txt")))
{
    read();
}

bool PersonalDictionary::isWord(const QString& word)
{
    return !word.isEmpty() && word.size() <= s_longestWord &&
           std::none_of(word.begin(), word.end(), [](QChar c) {
               return c.isSpace() || c.category() == QChar::Other_Control ||
                      c.category() == QChar::Other_Format || c.isNonCharacter();
           });
}

void PersonalDictionary::read()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.read(s_largestFile);
    if (!file.atEnd()) {
        m_damaged = true;
        // The last line is cut short.
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    }
    for (const QByteArray& line : bytes.split('\n')) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        const QString word = QString(utf8.decode(line)).trimmed();
        if (word.isEmpty())
            continue;
        if (utf8.hasError() || !isWord(word) || m_words.size() >= s_mostWords) {
            m_damaged = true;
            continue;
        }
        m_words.append(word);
    }
    std::sort(m_words.begin(), m_words.end());
    m_words.resize(std::unique(m_words.begin(), m_words.end()) - m_words.begin());
}

bool PersonalDictionary::contains(const QString& word) const
{
    return std::binary_search(m_words.begin(), m_words.end(), word);
}

bool PersonalDictionary::keepDamagedOriginal()
{
    if (!m_damaged)
        return true;
    const QString kept = QDir(QFileInfo(m_path).absolutePath())
                             .filePath(QStringLiteral("personal-words.damaged.txt"));
    QFile::remove(kept);
    if (!QFile::copy(m_path, kept))
        return false;
    m_damaged = false;
    return true;
}

bool PersonalDictionary::add(const QString& word)
{
    if (!isWord(word) || m_words.size() >= s_mostWords)
        return false;
    if (contains(word))
        return true;
    QStringList words = m_words;
    words.insert(std::lower_bound(words.begin(), words.end(), word) - words.begin(), word);
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()) || !keepDamagedOriginal())
        return false;
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(words.join(u'\n').toUtf8() + '\n');
    if (!file.commit())
        return false;
    m_words = std::move(words);
    return true;
}

} // namespace vesk
