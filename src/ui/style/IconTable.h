#pragma once

#include "ui/style/Symbol.h"

#include <QList>
#include <QString>

namespace vesk {

/// The one table from the symbols the interface uses to the vendored SVG
/// that draws each, so views speak in symbols and the icon set can be
/// swapped in one place. Pure and thread-safe.
class IconTable final
{
public:
    /// The resource path of `symbol`'s SVG; empty for one not in the table.
    static QString path(Symbol symbol);

    /// Every symbol in the table.
    static QList<Symbol> symbols();

    /// The application icon: the white envelope on the brand tile.
    static QString applicationIcon();
};

} // namespace vesk
