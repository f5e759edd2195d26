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

} // namespace vesk::CachedShape
