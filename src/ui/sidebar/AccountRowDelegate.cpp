#include "ui/sidebar/AccountRowDelegate.h"

#include "ui/sidebar/AccountListModel.h"
#include "ui/sidebar/SidebarRowBackground.h"
#include "ui/style/Brand.h"

#include <QFontMetrics>
#include <QPainter>

namespace vesk {

namespace {
constexpr int s_rowHeight = 48;
constexpr int s_insetX = 16;
constexpr int s_capsulePadX = 7;
constexpr int s_capsulePadY = 2;
} // namespace

QString AccountRowDelegate::capsuleText(qint64 unread)
{
    return unread >= 1 ? QString::number(unread) : QString();
}

QSize AccountRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& /*index*/) const
{
    // Taller than drawn at the usual text size when the desktop scales text up.
    const int text = QFontMetrics(Brand::inter(13, QFont::DemiBold)).height() + 1 +
                     QFontMetrics(Brand::inter(11)).height();
    return {option.rect.width(), qMax(s_rowHeight, text + 16)};
}

void AccountRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const bool selected = index.data(AccountListModel::SelectedRole).toBool();
    SidebarRowBackground::paint(painter, option, selected);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QRect content = option.rect.adjusted(s_insetX, 0, -s_insetX, 0);
    // The same mark as the account's conversations in the list of all.
    if (const QVariant mark = index.data(AccountListModel::ColourRole); mark.isValid()) {
        const QRectF bar(option.rect.left() + 9, option.rect.center().y() - 10, 3, 20);
        painter->setPen(Qt::NoPen);
        painter->setBrush(mark.value<QColor>());
        painter->drawRoundedRect(bar, 1.5, 1.5);
    }

    const QString capsule = capsuleText(index.data(AccountListModel::UnreadRole).toLongLong());
    if (!capsule.isEmpty()) {
        const QFont font = Brand::inter(11, QFont::Bold);
        const QFontMetrics metrics(font);
        const int width = metrics.horizontalAdvance(capsule) + 2 * s_capsulePadX;
        const int height = metrics.height() + 2 * s_capsulePadY;
        const QRectF pill(content.right() - width, content.center().y() - height / 2.0, width,
                          height);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Brand::primary);
        painter->drawRoundedRect(pill, height / 2.0, height / 2.0);
        painter->setFont(font);
        painter->setPen(Qt::white);
        painter->drawText(pill, Qt::AlignCenter, capsule);
        content.setRight(int(pill.left()) - 8);
    }

    const QFont nameFont = Brand::inter(13, QFont::DemiBold);
    const QFont emailFont = Brand::inter(11);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics emailMetrics(emailFont);
    const int textHeight = nameMetrics.height() + 1 + emailMetrics.height();
    const int top = content.center().y() - textHeight / 2 + 1;
    const QString name = nameMetrics.elidedText(index.data(AccountListModel::NameRole).toString(),
                                                Qt::ElideRight, content.width());
    const QString email = emailMetrics.elidedText(
        index.data(AccountListModel::DetailRole).toString(), Qt::ElideMiddle, content.width());
    painter->setFont(nameFont);
    painter->setPen(Brand::foreground);
    painter->drawText(QRect(content.left(), top, content.width(), nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, name);
    painter->setFont(emailFont);
    painter->setPen(Brand::secondary());
    painter->drawText(QRect(content.left(), top + nameMetrics.height() + 1, content.width(),
                            emailMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, email);
    painter->restore();
}

} // namespace vesk
