#include "ui/widgets/FlowLayout.h"

#include <QWidget>

#include <algorithm>

namespace vesk {

FlowLayout::FlowLayout(QWidget* parent, int spacing)
    : QLayout(parent)
    , m_gap(spacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::insertWidget(int index, QWidget* widget)
{
    addChildWidget(widget);
    m_items.insert(std::clamp<qsizetype>(index, 0, m_items.size()), new QWidgetItem(widget));
    invalidate();
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index);
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    // As narrow as the widest item: the rest wraps.
    QSize size;
    for (const QLayoutItem* item : m_items)
        size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const
{
    return minimumSize();
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool apply) const
{
    struct Placed
    {
        QLayoutItem* item;
        int x;
        int width;
        int height;
    };
    const QRect area = rect.marginsRemoved(contentsMargins());
    QList<Placed> line;
    int x = area.x();
    int y = area.y();
    int lineHeight = 0;
    // Each line's items sit on its middle, so chips beside a taller input
    // line up with its text.
    const auto endLine = [&] {
        for (const Placed& placed : std::as_const(line)) {
            if (apply)
                placed.item->setGeometry(QRect(placed.x, y + (lineHeight - placed.height) / 2,
                                               placed.width, placed.height));
        }
        line.clear();
    };
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        QLayoutItem* item = m_items.at(i);
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        const bool last = m_stretchLast && i == m_items.size() - 1;
        const int minimum = last ? item->minimumSize().width() : hint.width();
        if (x > area.x() && x + minimum > area.right() + 1) {
            endLine();
            x = area.x();
            y += lineHeight + m_gap;
            lineHeight = 0;
        }
        const int width =
            last ? std::max(minimum, area.right() + 1 - x) : std::min(hint.width(), area.width());
        line.append(Placed{item, x, width, hint.height()});
        x += width + m_gap;
        lineHeight = std::max(lineHeight, hint.height());
    }
    endLine();
    return y + lineHeight - rect.y() + contentsMargins().bottom();
}

} // namespace vesk
