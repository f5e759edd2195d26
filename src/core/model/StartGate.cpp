#include "StartGate.h"

namespace vesk {

void StartGate::open()
{
    {
        const std::scoped_lock lock(m_mutex);
        m_open = true;
    }
    m_opened.notify_all();
}

void StartGate::waitOpen(std::chrono::milliseconds backstop)
{
    std::unique_lock lock(m_mutex);
    m_opened.wait_for(lock, backstop, [this] { return m_open; });
}

} // namespace vesk
