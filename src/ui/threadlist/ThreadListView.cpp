#include "ui/threadlist/ThreadListView.h"

#include "ui/threadlist/ThreadRowDelegate.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace vesk {

ThreadListView::ThreadListView(QWidget* parent)
    : QListView(parent)
{
    m_preparing.setSingleShot(true);
    m_preparing.setInterval(0);
    connect(&m_preparing, &QTimer::timeout, this, [this] {
        if (prepareNextRow())
            m_preparing.start();
    });
}

void ThreadListView::setFooter(QWidget* footer)
{
    delete m_footer;
    m_footer = footer;
    if (m_footer) {
        m_footer->setParent(viewport());
        m_footer->installEventFilter(this);
    }
    updateGeometries();
}

int ThreadListView::footerHeight() const
{
    return m_footer && !m_footer->isHidden() ? m_footer->sizeHint().height() : 0;
}

void ThreadListView::updateGeometries()
{
    // Also restarts the view's check for more rows: a footer that comes or
    // goes (a page arrived) may leave the end of the list in sight.
    QScrollBar* bar = verticalScrollBar();
    const int before = bar->value();
    // The list's own range ends above the footer: on the way, the value
    // may touch that end, which must not count as reaching the list's end.
    const QScopedValueRollback adjusting(m_adjusting, true);
    QListView::updateGeometries();
    if (const int extra = footerHeight(); extra > 0) {
        const int content = contentsSize().height() + extra;
        bar->setRange(0, std::max(0, content - viewport()->height()));
        // A view scrolled onto the footer stays there. When the footer
        // appears at the end, the view follows it, but only then: rows
        // arriving later must not pull the view down (which would ask for
        // the page after them, and so on).
        if (std::exchange(m_revealFooter, false))
            bar->setValue(bar->maximum());
        else if (bar->value() < before)
            bar->setValue(std::min(before, bar->maximum()));
    }
    placeFooter();
}

void ThreadListView::verticalScrollbarValueChanged(int value)
{
    if (!m_adjusting)
        QListView::verticalScrollbarValueChanged(value);
}

void ThreadListView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    placeFooter();
}

void ThreadListView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    placeFooter();
}

bool ThreadListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_footer && event->type() == QEvent::ShowToParent) {
        m_revealFooter = verticalScrollBar()->value() == verticalScrollBar()->maximum();
        updateGeometries();
    } else if (watched == m_footer &&
               (event->type() == QEvent::HideToParent || event->type() == QEvent::LayoutRequest)) {
        m_revealFooter = m_revealFooter && event->type() != QEvent::HideToParent;
        updateGeometries();
    }
    return QListView::eventFilter(watched, event);
}

void ThreadListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    // What comes into sight next is rendered once this paint is on screen.
    m_preparing.start();
}

void ThreadListView::changeEvent(QEvent* event)
{
    QListView::changeEvent(event);
    const QEvent::Type type = event->type();
    if (type == QEvent::FontChange || type == QEvent::PaletteChange ||
        type == QEvent::StyleChange) {
        if (auto* delegate = qobject_cast<ThreadRowDelegate*>(itemDelegate()))
            delegate->forgetRows();
    }
}

QList<QModelIndex> ThreadListView::rowsNearby() const
{
    QList<QModelIndex> rows;
    const QModelIndex first = indexAt(QPoint(1, 1));
    if (!model() || !first.isValid())
        return rows;
    const int page = viewport()->height() / std::max(1, ThreadRowDelegate::rowHeight()) + 1;
    const int count = model()->rowCount(rootIndex());
    // Those in sight first: they are painted again on every hover and
    // selection.
    for (int row = first.row(); row < std::min(count, first.row() + 2 * page); ++row)
        rows.append(model()->index(row, 0, rootIndex()));
    for (int row = first.row() - 1; row >= std::max(0, first.row() - page); --row)
        rows.append(model()->index(row, 0, rootIndex()));
    return rows;
}

bool ThreadListView::prepareNextRow()
{
    const auto* delegate = qobject_cast<const ThreadRowDelegate*>(itemDelegate());
    if (!delegate || !isVisible())
        return false;
    // The state QListView paints a row with, as far as the row's look goes:
    // out of sight, the pointer is not over it.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.state &= ~QStyle::State_MouseOver;
    const bool focused = hasFocus() || viewport()->hasFocus();
    const qreal ratio = viewport()->devicePixelRatioF();
    for (const QModelIndex& index : rowsNearby()) {
        option.rect = visualRect(index);
        option.state.setFlag(QStyle::State_Selected,
                             selectionModel() && selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focused && currentIndex() == index);
        if (delegate->prepare(option, index, ratio))
            return true;
    }
    return false;
}

void ThreadListView::placeFooter()
{
    if (!m_footer || m_footer->isHidden())
        return;
    const int top = contentsSize().height() - verticalOffset();
    m_footer->setGeometry(0, top, viewport()->width(), footerHeight());
}

} // namespace vesk
