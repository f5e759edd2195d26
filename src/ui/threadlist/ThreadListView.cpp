#include "ui/threadlist/ThreadListView.h"

#include <QEvent>
#include <QScrollBar>

#include <algorithm>

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
    QListView::updateGeometries();
    if (const int extra = footerHeight(); extra > 0) {
        const int content = contentsSize().height() + extra;
        verticalScrollBar()->setRange(0, std::max(0, content - viewport()->height()));
    }
    placeFooter();
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
    if (watched == m_footer &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent ||
         event->type() == QEvent::LayoutRequest))
        updateGeometries();
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
