#pragma once

#include <QTimer>

#include <chrono>
#include <functional>

namespace vesk {

/// Tries something again after a failure that passes by itself (no network,
/// Google busy): after two seconds, then twice as long each time, at most
/// five minutes. One attempt is planned at a time; it never runs once its
/// owner (who holds this by value) is gone.
class RetryTimer final
{
public:
    static constexpr std::chrono::milliseconds first{2000};
    static constexpr std::chrono::milliseconds longest{300000};

    explicit RetryTimer(std::function<void()> attempt);

    /// Plans the attempt after a pause longer than the last one.
    std::chrono::milliseconds plan();
    /// An attempt is under way by other means: the planned one is not needed.
    void cancel() { m_timer.stop(); }
    /// An attempt went through: the next failure starts from the first pause.
    void succeeded() { m_pause = std::chrono::milliseconds(0); }
    bool isPlanned() const { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::chrono::milliseconds m_pause{0};
};

} // namespace vesk
