#include "ui/style/ScrollBarStyle.h"

#include "ui/style/Brand.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>

namespace vesk {

namespace {

constexpr int s_handleMinimum = 28;
// Between the handle and the bar's ends and outer edge.
constexpr int s_margin = 2;

QRect along(const QRect& bar, bool horizontal, int start, int length)
{
    return horizontal ? QRect(bar.x() + start, bar.y(), length, bar.height())
                      : QRect(bar.x(), bar.y() + start, bar.width(), length);
}

/// The handle drawn inside `slider`: against the bar's outer edge (away
/// from the content), `thickness` across, short of both ends.
QRectF handleIn(const QRect& slider, bool horizontal, int thickness)
{
    const QRectF r(slider);
    if (horizontal)
        return {r.left() + s_margin, r.bottom() + 1 - s_margin - thickness,
                std::max(0.0, r.width() - 2 * s_margin), qreal(thickness)};
    return {r.right() + 1 - s_margin - thickness, r.top() + s_margin, qreal(thickness),
            std::max(0.0, r.height() - 2 * s_margin)};
}

} // namespace

ScrollBarStyle::ScrollBarStyle(QStyle* base)
    : QProxyStyle(base ? base : QStyleFactory::create(QStringLiteral("Fusion")))
{}

int ScrollBarStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return extent;
    case PM_ScrollBarSliderMin:
        return s_handleMinimum;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect ScrollBarStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                     SubControl part, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar)
        return QProxyStyle::subControlRect(control, option, part, widget);
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const QRect& r = bar->rect;
    const int length = horizontal ? r.width() : r.height();
    // The handle is to the bar what the page is to the whole.
    const qint64 range = qint64(bar->maximum) - bar->minimum;
    int handle = length;
    if (range > 0)
        handle = int(std::max<qint64>(0, bar->pageStep) * length / (range + bar->pageStep));
    handle = std::clamp(handle, std::min(length, s_handleMinimum), length);
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition,
                                              length - handle, bar->upsideDown);
    QRect result;
    switch (part) {
    case SC_ScrollBarGroove:
        result = r;
        break;
    case SC_ScrollBarSlider:
        result = along(r, horizontal, start, handle);
        break;
    case SC_ScrollBarSubPage:
        result = along(r, horizontal, 0, start);
        break;
    case SC_ScrollBarAddPage:
        result = along(r, horizontal, start + handle, length - start - handle);
        break;
    default:
        // No arrows, no first and last buttons.
        return {};
    }
    return visualRect(bar->direction, r, result);
}

void ScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const bool dragged =
        (bar->activeSubControls & SC_ScrollBarSlider) && (bar->state & State_Sunken);
    const bool wide = dragged || (bar->state & State_MouseOver);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    if (wide) {
        // A faint track shows where the handle can go.
        const QRectF track = handleIn(bar->rect, horizontal, hoveredThickness);
        painter->setBrush(Brand::withOpacity(Brand::foreground, 0.05));
        painter->drawRoundedRect(track, hoveredThickness / 2.0, hoveredThickness / 2.0);
    }
    if (bar->maximum > bar->minimum && (bar->state & State_Enabled)) {
        const QRect slider = proxy()->subControlRect(control, bar, SC_ScrollBarSlider, widget);
        const int thickness = wide ? hoveredThickness : restingThickness;
        QColor colour = Brand::withOpacity(Brand::lightPurple, 0.45);
        if (dragged)
            colour = Brand::vivid;
        else if (wide)
            colour = Brand::withOpacity(Brand::lightPurple, 0.75);
        painter->setBrush(colour);
        painter->drawRoundedRect(handleIn(slider, horizontal, thickness), thickness / 2.0,
                                 thickness / 2.0);
    }
    painter->restore();
}

void ScrollBarStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
        bar->setAttribute(Qt::WA_Hover);
        bar->installEventFilter(this);
    }
}

void ScrollBarStyle::unpolish(QWidget* widget)
{
    if (qobject_cast<QScrollBar*>(widget))
        widget->removeEventFilter(this);
    QProxyStyle::unpolish(widget);
}

bool ScrollBarStyle::eventFilter(QObject* watched, QEvent* event)
{
    // The bar repaints only the part under the pointer by itself; the handle
    // widens wherever the pointer enters, so all of it is drawn again.
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        if (auto* bar = qobject_cast<QScrollBar*>(watched))
            bar->update();
    }
    return QProxyStyle::eventFilter(watched, event);
}

} // namespace vesk
