#pragma once

#include <QString>

namespace vesk {

/// One dictionary found on the system: its locale code ("pt_PT"), the name
/// shown in menus ("Português (Portugal)") and its two Hunspell files.
struct SpellLanguage
{
    QString code;
    QString name;
    QString affixFile;
    QString wordFile;

    bool isValid() const { return !code.isEmpty(); }
};

} // namespace vesk
