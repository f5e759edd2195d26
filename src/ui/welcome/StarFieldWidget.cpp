#include "ui/welcome/StarFieldWidget.h"

#include <QLinearGradient>
#include <QPainter>
#include <QResizeEvent>

namespace vesk {

StarFieldWidget::StarFieldWidget(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel is painted below; skipping the background fill avoids a
    // flash of the window colour on resize.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StarFieldWidget::resizeEvent(QResizeEvent* event)
{
    m_stars = StarField::stars(QSizeF(event->size()));
    QWidget::resizeEvent(event);
}

void StarFieldWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0.0, QColor(0x07, 0x03, 0x10));
    sky.setColorAt(1.0 / 3.0, QColor(0x12, 0x08, 0x26));
    sky.setColorAt(2.0 / 3.0, QColor(0x2A, 0x11, 0x50));
    sky.setColorAt(1.0, QColor(0x3D, 0x16, 0x63));
    painter.fillRect(rect(), sky);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const StarField::Star& star : m_stars) {
        painter.setBrush(QColor::fromRgbF(1, 1, 1, float(star.opacity)));
        painter.drawEllipse(QRectF(star.topLeft, QSizeF(star.size, star.size)));
    }
}

} // namespace vesk
