#include "ui/transfers/TransfersPopover.h"

#include "ui/style/Brand.h"
#include "ui/transfers/TransfersPanel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

namespace vesk {

TransfersPopover::TransfersPopover(TransferManager* transfers,
                                   std::shared_ptr<FileManagerReveal> reveal, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_panel(new TransfersPanel(transfers, std::move(reveal), this))
{
    // The click that closes the panel on its own button must not open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    setAttribute(Qt::WA_TranslucentBackground);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The popover grows and shrinks with its list while it is open.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_panel);
}

void TransfersPopover::popUpUnder(QWidget* anchor)
{
    adjustSize();
    QPoint topLeft = anchor->mapToGlobal(QPoint(anchor->width() - width(), anchor->height() + 4));
    if (const QScreen* screen = anchor->screen()) {
        const QRect room = screen->availableGeometry();
        // Clear of the screen's edge, so that the frame shows all round.
        constexpr int margin = 8;
        topLeft.setX(std::clamp(topLeft.x(), room.left() + margin,
                                std::max(room.left(), room.right() + 1 - margin - width())));
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
