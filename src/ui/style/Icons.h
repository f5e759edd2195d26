#pragma once

#include "ui/style/Symbol.h"

#include <QColor>
#include <QIcon>
#include <QString>

class QPixmap;

/// Icons by symbol, drawn from the vendored set through `IconTable`.
/// GUI thread only.
namespace vesk::Icons {

/// `symbol` in the palette's text colour for each icon mode, looked up when
/// the icon is painted; a null icon for a symbol the table does not know.
QIcon icon(Symbol symbol);

/// `symbol` always in `tint` (dimmed when disabled).
QIcon icon(Symbol symbol, const QColor& tint);

/// A pixmap of `symbol` in `tint`, `side` device-independent pixels square,
/// sharp at `devicePixelRatio`; for labels that show a glyph.
QPixmap pixmap(Symbol symbol, int side, const QColor& tint, qreal devicePixelRatio);

/// The application icon (the envelope on the brand tile), in full colour.
QIcon applicationIcon();

} // namespace vesk::Icons
