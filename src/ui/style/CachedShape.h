#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

#include <functional>

class QPainter;

namespace vesk::CachedShape {

/// Draws a small antialiased shape into `painter` from a pixmap kept in
/// Qt's pixmap cache, drawn once by `draw` into `area` as the pixmap sees it.
///
/// Why: Qt's raster engine splits the fill of any antialiased shape of about
/// a hundred spans or more (a rounded rect some 35 pixels tall) over Qt's
/// shared thread pool, and the GUI thread sleeps until the pool's threads
/// have run. On a small or busy machine waking them took up to 14 ms a time.
/// A pixmap is copied in rows without the pool.
///
/// `key` names everything `draw` depends on besides the size and the place
/// within a pixel (colours, radius, state); the rest is added here.
void paint(QPainter* painter, const QRectF& area, const QString& key,
           const std::function<void(QPainter& shape, const QRectF& area)>& draw);

/// A rounded rect filled with `colour`, through paint().
void fillRounded(QPainter* painter, const QRectF& area, qreal radius, const QColor& colour);

/// The outline of a rounded rect, drawn inside `area` with a pen `width`
/// wide, through paint().
void strokeRounded(QPainter* painter, const QRectF& area, qreal radius, const QColor& colour,
                   qreal width);

} // namespace vesk::CachedShape
