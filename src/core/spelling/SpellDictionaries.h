#pragma once

#include "SpellLanguage.h"

#include <QList>
#include <QStringList>

namespace vesk {

/// The Hunspell dictionaries in a list of folders: every "<code>.dic" with
/// its "<code>.aff" whose code is a language QLocale knows. A code found in
/// two folders is taken from the first. Reads only the folders' listings.
class SpellDictionaries final
{
public:
    /// Where Debian and most distributions install them.
    static QStringList systemFolders();

    explicit SpellDictionaries(const QStringList& folders = systemFolders());

    /// By display name.
    const QList<SpellLanguage>& languages() const { return m_languages; }
    /// An invalid language when there is no dictionary for `code`.
    SpellLanguage language(const QString& code) const;

    /// "Português (Portugal)" for "pt_PT"; empty for no known language.
    static QString displayName(const QString& code);

private:
    QList<SpellLanguage> m_languages;
};

} // namespace vesk
