#include "SpellDictionaries.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace vesk {

namespace {

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

/// Only "ll_TT" and "ll": a file named "pt_PT-preao" or "hyph_pt" is some
/// other kind of list.
bool looksLikeLocaleCode(const QString& code)
{
    const qsizetype underscore = code.indexOf(u'_');
    const QStringView language = QStringView(code).left(underscore < 0 ? code.size() : underscore);
    const auto lowerLetters = [](QStringView part) {
        return std::all_of(part.begin(), part.end(),
                           [](QChar c) { return c >= u'a' && c <= u'z'; });
    };
    const auto upperLetters = [](QStringView part) {
        return std::all_of(part.begin(), part.end(),
                           [](QChar c) { return c >= u'A' && c <= u'Z'; });
    };
    if (language.size() < 2 || language.size() > 3 || !lowerLetters(language))
        return false;
    if (underscore < 0)
        return true;
    const QStringView territory = QStringView(code).mid(underscore + 1);
    return territory.size() == 2 && upperLetters(territory);
}

} // namespace

QStringList SpellDictionaries::systemFolders()
{
    return {QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/share/myspell"),
            QStringLiteral("/usr/share/myspell/dicts")};
}

SpellDictionaries::SpellDictionaries(const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QDir dir(folder);
        const QStringList words =
            dir.entryList({QStringLiteral("*.dic")}, QDir::Files | QDir::Readable);
        for (const QString& file : words) {
            const QString code = QFileInfo(file).completeBaseName();
            const QString name = displayName(code);
            if (name.isEmpty() || language(code).isValid() ||
                !dir.exists(code + QStringLiteral(".aff")))
                continue;
            m_languages.append(
                {code, name, dir.filePath(code + QStringLiteral(".aff")), dir.filePath(file)});
        }
    }
    QCollator collator{QLocale(QLocale::Portuguese, QLocale::Portugal)};
    std::sort(m_languages.begin(), m_languages.end(),
              [&collator](const SpellLanguage& a, const SpellLanguage& b) {
                  return collator.compare(a.name, b.name) < 0;
              });
}

SpellLanguage SpellDictionaries::language(const QString& code) const
{
    const auto found = std::find_if(m_languages.begin(), m_languages.end(),
                                    [&code](const SpellLanguage& l) { return l.code == code; });
    return found == m_languages.end() ? SpellLanguage{} : *found;
}

QString SpellDictionaries::displayName(const QString& code)
{
    if (!looksLikeLocaleCode(code))
        return {};
    const QLocale locale(code);
    if (locale.language() == QLocale::C)
        return {};
    // CLDR names some variants ("português europeu", "British English");
    // where the plain language name is part of it, the plain one and the
    // country read better side by side.
    const QString variant = locale.nativeLanguageName();
    const QString plain = QLocale(locale.language()).nativeLanguageName();
    QString name = capitalised(variant.contains(plain, Qt::CaseInsensitive) ? plain : variant);
    if (name.isEmpty())
        return {};
    if (code.contains(u'_') && !locale.nativeTerritoryName().isEmpty())
        name += QStringLiteral(" (") + locale.nativeTerritoryName() + u')';
    return name;
}

} // namespace vesk
