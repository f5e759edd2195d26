#include "ui/sidebar/LabelRowDelegate.h"

#include "ui/sidebar/LabelListModel.h"
#include "ui/sidebar/SidebarRowBackground.h"
#include "ui/style/Brand.h"
#include "ui/style/Icons.h"

#include <QFontMetrics>
#include <QPainter>

namespace vesk {

namespace {
constexpr int s_rowHeight = 32;
constexpr int s_insetX = 16;
constexpr int s_iconSide = 16;
constexpr int s_iconGap = 10;
} // namespace

QSize LabelRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& /*index*/) const
{
    // Taller than drawn at the usual text size when the desktop scales text up.
    return {option.rect.width(),
            qMax(s_rowHeight, QFontMetrics(Brand::inter(13, QFont::Medium)).height() + 12)};
}

void LabelRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    const bool highlighted = index.data(LabelListModel::HighlightedRole).toBool();
    SidebarRowBackground::paint(painter, option, highlighted);

    painter->save();
    QRect content = option.rect.adjusted(s_insetX, 0, -s_insetX, 0);
    const qint64 count = index.data(LabelListModel::CountRole).toLongLong();
    if (count > 0) {
        const QFont font = Brand::inter(11, QFont::DemiBold);
        const QString text = QString::number(count);
        const int width = QFontMetrics(font).horizontalAdvance(text);
        painter->setFont(font);
        painter->setPen(Brand::secondary());
        painter->drawText(QRect(content.right() - width, content.top(), width, content.height()),
                          Qt::AlignRight | Qt::AlignVCenter, text);
        content.setRight(content.right() - width - 8);
    }

    const QColor tint = highlighted ? Brand::lightPurple : Brand::foreground;
    const QRect iconRect(content.left(), content.center().y() - s_iconSide / 2 + 1, s_iconSide,
                         s_iconSide);
    Icons::icon(index.data(LabelListModel::SymbolRole).value<Symbol>(), tint)
        .paint(painter, iconRect);
    content.setLeft(iconRect.right() + 1 + s_iconGap);

    const QFont font = Brand::inter(13, highlighted ? QFont::Medium : QFont::Normal);
    const QFontMetrics metrics(font);
    painter->setFont(font);
    painter->setPen(Brand::foreground);
    painter->drawText(content, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                         content.width()));
    painter->restore();
}

} // namespace vesk
