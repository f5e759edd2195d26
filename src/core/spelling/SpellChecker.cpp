#include "SpellChecker.h"

#include <QFile>
#include <QFileInfo>

#include <hunspell.hxx>

namespace vesk {

namespace {

/// Enough for every word of a long message, small next to the dictionary.
constexpr qsizetype s_mostVerdicts = 50'000;
/// Elisions: "d'água", "n'outro", "qu'ria".
constexpr qsizetype s_longestElision = 2;

QString withPlainApostrophes(QStringView word)
{
    QString plain = word.toString();
    plain.replace(QChar(0x2019), u'\'');
    return plain;
}

/// The SET line of an affix file: Hunspell reports it only once loaded,
/// and the converters are wanted before.
QByteArray declaredEncoding(const QString& affixFile)
{
    QFile file(affixFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The encoding is declared near the top; a broken file is not read whole.
    for (int line = 0; line < 200 && !file.atEnd(); ++line) {
        const QByteArray text = file.readLine(4096).trimmed();
        if (text.startsWith("SET ") || text.startsWith("SET\t"))
            return text.mid(4).trimmed();
    }
    return QByteArrayLiteral("ISO8859-1"); // Hunspell's own default
}

} // namespace

std::unique_ptr<SpellChecker> SpellChecker::load(const SpellLanguage& language,
                                                 const QStringList& ownWords)
{
    if (!QFileInfo(language.affixFile).isReadable() || !QFileInfo(language.wordFile).isReadable())
        return nullptr;
    const QByteArray encoding = declaredEncoding(language.affixFile);
    QStringEncoder encoder(encoding.constData(), QStringConverter::Flag::Stateless);
    QStringDecoder decoder(encoding.constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid() || !decoder.isValid())
        return nullptr;
    auto hunspell = std::make_unique<Hunspell>(QFile::encodeName(language.affixFile).constData(),
                                               QFile::encodeName(language.wordFile).constData());
    std::unique_ptr<SpellChecker> checker(
        new SpellChecker(language, std::move(hunspell), std::move(encoder), std::move(decoder)));
    for (const QString& word : ownWords)
        checker->addWord(word);
    return checker;
}

SpellChecker::SpellChecker(SpellLanguage language, std::unique_ptr<Hunspell> hunspell,
                           QStringEncoder encoder, QStringDecoder decoder)
    : m_language(std::move(language))
    , m_hunspell(std::move(hunspell))
    , m_encoder(std::move(encoder))
    , m_decoder(std::move(decoder))
{}

SpellChecker::~SpellChecker() = default;

std::optional<std::string> SpellChecker::encoded(QStringView word) const
{
    m_encoder.resetState();
    const QByteArray bytes = m_encoder.encode(word);
    // Some encoders put '?' for what they cannot write without saying so.
    if (m_encoder.hasError() || decoded(bytes.toStdString()) != word)
        return std::nullopt;
    return bytes.toStdString();
}

std::optional<QString> SpellChecker::decoded(const std::string& word) const
{
    m_decoder.resetState();
    QString text = m_decoder.decode(QByteArrayView(word.data(), qsizetype(word.size())));
    if (m_decoder.hasError())
        return std::nullopt;
    return text;
}

bool SpellChecker::spells(QStringView word) const
{
    const std::optional<std::string> bytes = encoded(word);
    return !bytes || m_hunspell->spell(*bytes);
}

bool SpellChecker::isCorrect(QStringView word) const
{
    if (word.isEmpty())
        return true;
    const QString plain = withPlainApostrophes(word);
    if (const auto known = m_verdicts.constFind(plain); known != m_verdicts.cend())
        return *known;
    bool correct = spells(plain);
    const qsizetype apostrophe = plain.indexOf(u'\'');
    if (!correct && apostrophe > 0 && apostrophe <= s_longestElision)
        correct = spells(QStringView(plain).mid(apostrophe + 1));
    if (m_verdicts.size() >= s_mostVerdicts)
        m_verdicts.clear();
    m_verdicts.insert(plain, correct);
    return correct;
}

QStringList SpellChecker::suggestions(QStringView word, qsizetype most) const
{
    const std::optional<std::string> bytes = encoded(withPlainApostrophes(word));
    if (!bytes)
        return {};
    QStringList found;
    for (const std::string& suggestion : m_hunspell->suggest(*bytes)) {
        if (found.size() >= most)
            break;
        if (const std::optional<QString> text = decoded(suggestion))
            found.append(*text);
    }
    return found;
}

void SpellChecker::addWord(const QString& word)
{
    const std::optional<std::string> bytes = encoded(withPlainApostrophes(word));
    if (!bytes || bytes->empty())
        return;
    m_hunspell->add(*bytes);
    m_verdicts.clear();
}

} // namespace vesk
