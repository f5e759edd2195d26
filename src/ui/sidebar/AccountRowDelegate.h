#pragma once

#include <QStyledItemDelegate>

namespace vesk {

/// Paints an account row of the sidebar: the name (Inter 13 semibold) above
/// the email (Inter 11), and the inbox's unread count in a primary capsule at
/// the trailing end when there is at least one.
class AccountRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// The capsule's text for a count; empty when no capsule is drawn.
    static QString capsuleText(qint64 unread);
};

} // namespace vesk
