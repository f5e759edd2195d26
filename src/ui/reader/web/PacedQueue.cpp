#include "ui/reader/web/PacedQueue.h"

namespace vesk {

PacedQueue::PacedQueue(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &PacedQueue::runOne);
}

void PacedQueue::post(QObject* context, std::function<void()> work)
{
    m_items.append(Item{context, std::move(work)});
    m_timer.start();
}

void PacedQueue::runOne()
{
    // Items whose context went cost nothing: they do not use up the turn.
    while (!m_items.isEmpty()) {
        const Item item = m_items.takeFirst();
        if (item.context) {
            item.work();
            break;
        }
    }
    if (!m_items.isEmpty())
        m_timer.start();
}

} // namespace vesk
