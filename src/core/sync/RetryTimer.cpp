#include "RetryTimer.h"

namespace vesk {

RetryTimer::RetryTimer(std::function<void()> attempt)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, std::move(attempt));
}

std::chrono::milliseconds RetryTimer::plan()
{
    m_pause = m_pause < first ? first : std::min(m_pause * 2, longest);
    m_timer.start(m_pause);
    return m_pause;
}

} // namespace vesk
