#include "ui/widgets/ToggleSwitch.h"

#include "ui/style/Brand.h"

#include <QFontMetrics>
#include <QPainter>

namespace vesk {

namespace {
constexpr int s_trackWidth = 34;
constexpr int s_trackHeight = 20;
constexpr int s_gap = 8;
constexpr int s_margin = 2;
} // namespace

ToggleSwitch::ToggleSwitch(const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setCheckable(true);
    setFont(Brand::inter(12));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int textWidth = text().isEmpty() ? 0 : metrics.horizontalAdvance(text()) + s_gap;
    return {textWidth + s_trackWidth + 2 * s_margin,
            qMax(metrics.height(), s_trackHeight) + 2 * s_margin};
}

QSize ToggleSwitch::minimumSizeHint() const
{
    return sizeHint();
}

bool ToggleSwitch::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void ToggleSwitch::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);
    else if (isDown())
        painter.setOpacity(0.75);

    const QRectF track(width() - s_margin - s_trackWidth, (height() - s_trackHeight) / 2.0,
                       s_trackWidth, s_trackHeight);
    painter.setPen(Brand::foreground);
    painter.setFont(font());
    painter.drawText(QRectF(0, 0, track.left() - s_gap, height()),
                     Qt::AlignRight | Qt::AlignVCenter, text());

    const qreal radius = s_trackHeight / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? QColor(Brand::primary)
                                 : Brand::withOpacity(Brand::foreground, 0.18));
    painter.drawRoundedRect(track, radius, radius);
    const qreal knob = s_trackHeight - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Brand::lightPurple, 1.5));
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
}

} // namespace vesk
