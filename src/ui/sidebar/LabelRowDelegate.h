#pragma once

#include <QStyledItemDelegate>

namespace vesk {

/// Paints a label row of the sidebar: the symbol and the title (Inter 13),
/// and for the inbox its unread count (Inter 11 semibold, secondary colour)
/// at the trailing end when above zero.
class LabelRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace vesk
