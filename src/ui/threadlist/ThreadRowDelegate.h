#pragma once

#include <QCache>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <array>

class QDateTime;

namespace vesk {

/// Paints one conversation of ThreadListModel: the unread dot, the
/// participants and the date, the subject with the star at its end, two
/// lines of snippet and the message count. Every row has the same height, room for the count line
/// included, so the view can lay out long lists without measuring each row.
/// GUI thread only.
class ThreadRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    /// Renders the row now, unless it was already, so that painting it
    /// later costs a copy: for the rows just out of sight, while the list
    /// is idle. Whether it rendered anything.
    bool prepare(const QStyleOptionViewItem& option, const QModelIndex& index,
                 qreal devicePixelRatio) const;
    /// Lets the rows kept as painted go: the fonts or colours changed.
    void forgetRows() { m_rows.clear(); }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    /// The row's date as shown: day, month and year in the user's locale.
    static QString dateText(const QDateTime& date);
    /// The count line: "3 mensagens"; empty for fewer than two messages.
    static QString countText(int messages);
    /// The height of every row.
    static int rowHeight();
    /// Where a click on the row `row` toggles its star: the star and a
    /// margin around it, at the trailing end of the subject line.
    static QRect starArea(const QRect& row);

private:
    enum class StarLook
    {
        Filled,
        Outline,
        Faint,
    };

    /// What the row shows and how, in its state: equal keys paint alike.
    static QString rowKey(const QStyleOptionViewItem& option, const QModelIndex& index,
                          qreal devicePixelRatio);
    QPixmap render(const QStyleOptionViewItem& option, const QModelIndex& index,
                   qreal devicePixelRatio) const;
    void paintRow(QPainter* painter, const QStyleOptionViewItem& option,
                  const QModelIndex& index) const;
    void paintBackground(QPainter* painter, const QStyleOptionViewItem& option) const;
    static void paintFocus(QPainter* painter, const QStyleOptionViewItem& option);
    void paintStar(QPainter* painter, const QStyleOptionViewItem& option, bool starred) const;
    static void paintAccountMark(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QVariant& colour);
    const QPixmap& star(StarLook look, qreal devicePixelRatio) const;

    // Drawn for every row on every paint: rendered from the SVG once.
    mutable std::array<QPixmap, 3> m_stars;
    /// Rows as painted, by key, their cost in KiB: a few screenfuls.
    mutable QCache<QString, QPixmap> m_rows{24 * 1024};
};

} // namespace vesk
