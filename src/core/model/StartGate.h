#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vesk {

/// Holds work back until someone lets it go, or until a backstop passes so
/// that work nobody lets go still happens. Opening is for good. Any thread.
class StartGate final
{
public:
    void open();
    /// Returns once the gate is open or `backstop` has passed.
    void waitOpen(std::chrono::milliseconds backstop);

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

} // namespace vesk
