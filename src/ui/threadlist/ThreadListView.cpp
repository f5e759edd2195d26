#include "ui/threadlist/ThreadListView.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>
#include <utility>

namespace vesk {

ThreadListView::ThreadListView(QWidget* parent)
    : QListView(parent)
{}

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

void ThreadListView::placeFooter()
{
    if (!m_footer || m_footer->isHidden())
        return;
    const int top = contentsSize().height() - verticalOffset();
    m_footer->setGeometry(0, top, viewport()->width(), footerHeight());
}

} // namespace vesk
