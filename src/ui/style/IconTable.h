#pragma once

#include <QString>
#include <QStringList>

namespace vesk {

/// The one table from the symbol names the interface uses ("tray",
/// "square.and.pencil", "arrow.down.circle.fill", ...) to the vendored SVG
/// that draws each, so views speak in symbol names and the icon set can be
/// swapped in one place. Pure and thread-safe.
class IconTable final
{
public:
    /// The resource path of `symbol`'s SVG; empty for a name not in the table.
    static QString path(const QString& symbol);

    /// Every symbol name in the table.
    static QStringList symbols();

    /// The application icon: the white envelope on the brand tile.
    static QString applicationIcon();
};

} // namespace vesk
