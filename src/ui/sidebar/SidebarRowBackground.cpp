#include "ui/sidebar/SidebarRowBackground.h"

#include "ui/style/Brand.h"

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
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    if (highlighted) {
        painter->setBrush(Brand::withOpacity(Brand::primary, 0.18));
        painter->drawRoundedRect(area, s_radius, s_radius);
    } else if (option.state & QStyle::State_MouseOver) {
        painter->setBrush(Brand::withOpacity(Brand::foreground, 0.05));
        painter->drawRoundedRect(area, s_radius, s_radius);
    }
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active)) {
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(Brand::withOpacity(Brand::lightPurple, 0.8), 1.5));
        painter->drawRoundedRect(area.adjusted(0.75, 0.75, -0.75, -0.75), s_radius, s_radius);
    }
    painter->restore();
}

} // namespace vesk::SidebarRowBackground
