#include "ui/style/Icons.h"

#include "ui/style/IconTable.h"
#include "ui/style/TintedIconEngine.h"

#include <QPixmap>

namespace vesk::Icons {

QIcon icon(Symbol symbol)
{
    return icon(symbol, QColor());
}

QIcon icon(Symbol symbol, const QColor& tint)
{
    const QString path = IconTable::path(symbol);
    if (path.isEmpty())
        return {};
    return QIcon(new TintedIconEngine(path, tint));
}

QPixmap pixmap(Symbol symbol, int side, const QColor& tint, qreal devicePixelRatio)
{
    return icon(symbol, tint).pixmap(QSize(side, side), devicePixelRatio);
}

QIcon applicationIcon()
{
    // Unlike the symbols it keeps its own colours, so the plain SVG engine
    // draws it.
    return QIcon(IconTable::applicationIcon());
}

} // namespace vesk::Icons
