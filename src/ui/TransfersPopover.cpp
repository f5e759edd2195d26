#include "TransfersPopover.h"

#include "Brand.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace vesk {

namespace {

constexpr int s_width = 380;

} // namespace

TransfersPopover::TransfersPopover(QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    // The click that closes the panel on its own button must not open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(s_width);

    auto* title = new QLabel(QStringLiteral("Transferências"), this);
    Brand::setText(title, Brand::sora(15, QFont::Bold), Brand::foreground);
    // The list of downloads takes this place once the panel has its own view.
    auto* placeholder = new QLabel(
        QStringLiteral("Os anexos que guardares vão aparecer aqui com o progresso."), this);
    placeholder->setWordWrap(true);
    Brand::setText(placeholder, Brand::inter(12), Brand::secondary());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addWidget(placeholder);
}

void TransfersPopover::popUpUnder(QWidget* anchor)
{
    adjustSize();
    QPoint topLeft = anchor->mapToGlobal(QPoint(anchor->width() - width(), anchor->height() + 4));
    if (const QScreen* screen = anchor->screen()) {
        const QRect room = screen->availableGeometry();
        topLeft.setX(
            std::clamp(topLeft.x(), room.left(), std::max(room.left(), room.right() - width())));
    }
    move(topLeft);
    show();
}

void TransfersPopover::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    Q_EMIT closed();
}

void TransfersPopover::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

void TransfersPopover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    painter.fillPath(shape, Brand::cardDark);
    painter.setPen(QPen(Brand::withOpacity(Brand::foreground, 0.12), 1));
    painter.drawPath(shape);
}

} // namespace vesk
