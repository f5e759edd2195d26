#include "ui/sidebar/SidebarRowBackground.h"

#include "ui/style/Brand.h"
#include "ui/style/CachedShape.h"

#include <QPainter>

namespace vesk::SidebarRowBackground {

namespace {
constexpr qreal s_radius = 8;
} // namespace

QRectF shape(const QStyleOptionViewItem& option)
{
    return QRectF(option.rect).adjusted(6, 1.5, -6, -1.5);
}

void paint(QPainter* painter, const QStyleOptionViewItem& option, bool highlighted)
{
    const QRectF area = shape(option);
    QColor fill = Qt::transparent;
    if (highlighted)
        fill = Brand::withOpacity(Brand::primary, 0.18);
    else if (option.state & QStyle::State_MouseOver)
        fill = Brand::withOpacity(Brand::foreground, 0.05);
    if (fill.alpha() > 0)
        CachedShape::fillRounded(painter, area, s_radius, fill);
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active)) {
        CachedShape::strokeRounded(painter, area, s_radius,
                                   Brand::withOpacity(Brand::lightPurple, 0.8), 1.5);
    }
}

} // namespace vesk::SidebarRowBackground
