#include "ui/widgets/BusySpinner.h"

#include "ui/style/Brand.h"
#include "ui/style/CachedShape.h"

#include <QPainter>

namespace vesk {

BusySpinner::BusySpinner(int side, QWidget* parent)
    : QWidget(parent)
    , m_side(side)
{
    setFixedSize(side, side);
    setAccessibleName(tr("A trabalhar"));
    m_timer.setInterval(40);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 30) % 360;
        update();
    });
}

QSize BusySpinner::sizeHint() const
{
    return {m_side, m_side};
}

void BusySpinner::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const int angle = m_angle;
    // Twelve frames, each drawn once.
    CachedShape::paint(&painter, QRectF(rect()), QStringLiteral("spinner:%1").arg(angle),
                       [angle](QPainter& shape, const QRectF& area) {
                           const qreal pen = qMax(1.5, area.width() / 8.0);
                           const QRectF circle = area.adjusted(pen, pen, -pen, -pen);
                           shape.setPen(QPen(Brand::withOpacity(Brand::foreground, 0.15), pen));
                           shape.drawEllipse(circle);
                           shape.setPen(QPen(Brand::lightPurple, pen, Qt::SolidLine, Qt::RoundCap));
                           // Qt counts arcs in sixteenths of a degree, counter-clockwise.
                           shape.drawArc(circle, -angle * 16, 100 * 16);
                       });
}

void BusySpinner::showEvent(QShowEvent* event)
{
    m_timer.start();
    QWidget::showEvent(event);
}

void BusySpinner::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

} // namespace vesk
