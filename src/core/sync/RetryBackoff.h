#pragma once

#include <chrono>

namespace vesk {

/// The growing pause between attempts at something that failed for a reason
/// that passes (no network, Google busy): two seconds, then twice as long
/// each time, at most five minutes. A value; the owner runs the timer.
class RetryBackoff final
{
public:
    static constexpr std::chrono::milliseconds first{2000};
    static constexpr std::chrono::milliseconds longest{300000};

    /// The pause before the next attempt, longer than the last one.
    std::chrono::milliseconds grow()
    {
        m_pause = m_pause < first ? first : (m_pause * 2 < longest ? m_pause * 2 : longest);
        return m_pause;
    }
    /// An attempt went through: the next failure starts from the first pause.
    void reset() { m_pause = std::chrono::milliseconds(0); }
    std::chrono::milliseconds pause() const { return m_pause; }

private:
    std::chrono::milliseconds m_pause{0};
};

} // namespace vesk
