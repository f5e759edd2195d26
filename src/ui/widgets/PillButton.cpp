#include "ui/widgets/PillButton.h"

#include "ui/style/Brand.h"
#include "ui/style/CachedShape.h"
#include "ui/style/Icons.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace vesk {

namespace {

constexpr int s_paddingX = 16;
constexpr int s_paddingY = 7;
constexpr int s_iconSide = 14;
constexpr int s_iconGap = 6;
// Room around the capsule for the focus ring, so that it is not clipped.
constexpr int s_ringMargin = 3;

} // namespace

PillButton::PillButton(const QString& text, bool prominent, QWidget* parent)
    : QAbstractButton(parent)
    , m_prominent(prominent)
{
    setText(text);
    setFont(Brand::inter(13, QFont::DemiBold));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void PillButton::setProminent(bool prominent)
{
    if (m_prominent == prominent)
        return;
    m_prominent = prominent;
    update();
    emit prominentChanged();
}

void PillButton::setSymbol(std::optional<Symbol> symbol)
{
    if (m_symbol == symbol)
        return;
    m_symbol = symbol;
    updateGeometry();
    update();
}

QSize PillButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 2 * s_paddingX;
    if (m_symbol)
        width += s_iconSide + (text().isEmpty() ? 0 : s_iconGap);
    const int height = qMax(metrics.height(), s_iconSide) + 2 * s_paddingY;
    return {width + 2 * s_ringMargin, height + 2 * s_ringMargin};
}

QSize PillButton::minimumSizeHint() const
{
    return sizeHint();
}

QRectF PillButton::capsuleRect() const
{
    return QRectF(rect()).adjusted(s_ringMargin, s_ringMargin, -s_ringMargin, -s_ringMargin);
}

QColor PillButton::labelColour() const
{
    return m_prominent ? QColor(Qt::white)
                       : palette().color(QPalette::Active, QPalette::ButtonText);
}

qreal PillButton::opacity() const
{
    if (!isEnabled())
        return 0.45;
    return isDown() ? 0.75 : 1.0;
}

void PillButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity());

    const QRectF capsule = capsuleRect();
    const QColor wash =
        m_prominent
            ? QColor()
            : Brand::withOpacity(palette().color(QPalette::Active, QPalette::ButtonText), 0.12);
    CachedShape::paint(&painter, capsule,
                       m_prominent ? QStringLiteral("pill-prominent")
                                   : QStringLiteral("pill:") + wash.name(QColor::HexArgb),
                       [wash](QPainter& shape, const QRectF& area) {
                           QPainterPath path;
                           path.addRoundedRect(area, area.height() / 2, area.height() / 2);
                           if (wash.isValid()) {
                               shape.fillPath(path, wash);
                               return;
                           }
                           QLinearGradient gradient(area.topLeft(), area.bottomRight());
                           gradient.setColorAt(0, Brand::primary);
                           gradient.setColorAt(1, Brand::vivid);
                           shape.fillPath(path, gradient);
                       });

    if (m_focusRing && hasFocus()) {
        // Grown by the outer half of the pen, which draws inside.
        const qreal grow = s_ringMargin;
        const QRectF outer = capsule.adjusted(-grow, -grow, grow, grow);
        CachedShape::strokeRounded(&painter, outer, (outer.height() - 2) / 2, Brand::lightPurple,
                                   2);
    }

    // Symbol and label are centred together, as one line.
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const bool withIcon = m_symbol.has_value();
    const int iconWidth = withIcon ? s_iconSide + (text().isEmpty() ? 0 : s_iconGap) : 0;
    const qreal left = capsule.center().x() - (iconWidth + textWidth) / 2.0;
    const QColor colour = labelColour();
    if (withIcon) {
        const QRectF iconRect(left, capsule.center().y() - s_iconSide / 2.0, s_iconSide,
                              s_iconSide);
        Icons::icon(*m_symbol, colour).paint(&painter, iconRect.toRect());
    }
    painter.setPen(colour);
    painter.setFont(font());
    const QRectF textRect(left + iconWidth, capsule.top(), textWidth + 1, capsule.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
}

void PillButton::focusInEvent(QFocusEvent* event)
{
    // Like the platform's own controls: a ring when focus arrives from the
    // keyboard, none when the pill was simply clicked.
    const Qt::FocusReason reason = event->reason();
    m_focusRing = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                  reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void PillButton::focusOutEvent(QFocusEvent* event)
{
    m_focusRing = false;
    QAbstractButton::focusOutEvent(event);
}

void PillButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QAbstractButton::changeEvent(event);
}

} // namespace vesk
