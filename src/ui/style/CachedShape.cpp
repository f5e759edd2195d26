#include "ui/style/CachedShape.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

#include <cmath>

namespace vesk::CachedShape {

void paint(QPainter* painter, const QRectF& area, const QString& key,
           const std::function<void(QPainter& shape, const QRectF& area)>& draw)
{
    // The pixmap starts on a whole pixel; the shape keeps its place within
    // the pixel, so that it looks as if drawn where it stands.
    const QPointF origin(std::floor(area.left()), std::floor(area.top()));
    const QRectF local = area.translated(-origin);
    const QSize size(int(std::ceil(local.right())), int(std::ceil(local.bottom())));
    if (size.isEmpty())
        return;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString fullKey = QStringLiteral("vesk-shape:%1:%2,%3,%4,%5@%6")
                                .arg(key)
                                .arg(local.left())
                                .arg(local.top())
                                .arg(local.width())
                                .arg(local.height())
                                .arg(ratio);
    QPixmap pixmap;
    if (!QPixmapCache::find(fullKey, &pixmap)) {
        pixmap = QPixmap((QSizeF(size) * ratio).toSize());
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter shape(&pixmap);
        shape.setRenderHint(QPainter::Antialiasing);
        draw(shape, local);
        shape.end();
        QPixmapCache::insert(fullKey, pixmap);
    }
    painter->drawPixmap(origin, pixmap);
}

void fillRounded(QPainter* painter, const QRectF& area, qreal radius, const QColor& colour)
{
    paint(painter, area, QStringLiteral("fill:%1:%2").arg(radius).arg(colour.name(QColor::HexArgb)),
          [radius, colour](QPainter& shape, const QRectF& inside) {
              shape.setPen(Qt::NoPen);
              shape.setBrush(colour);
              shape.drawRoundedRect(inside, radius, radius);
          });
}

void strokeRounded(QPainter* painter, const QRectF& area, qreal radius, const QColor& colour,
                   qreal width)
{
    paint(
        painter, area,
        QStringLiteral("stroke:%1:%2:%3").arg(radius).arg(width).arg(colour.name(QColor::HexArgb)),
        [radius, colour, width](QPainter& shape, const QRectF& inside) {
            shape.setPen(QPen(colour, width));
            shape.setBrush(Qt::NoBrush);
            const qreal half = width / 2;
            shape.drawRoundedRect(inside.adjusted(half, half, -half, -half), radius, radius);
        });
}

} // namespace vesk::CachedShape
