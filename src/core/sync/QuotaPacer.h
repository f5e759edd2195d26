#pragma once

#include <QCoroTask>
#include <QList>

#include <chrono>
#include <memory>
#include <optional>

namespace vesk {

class SyncClock;

/// Keeps one account's requests within Gmail's per-user quota: it books the
/// units of every request it is asked about in a moving window and makes the
/// caller wait until the request fits.
///
/// Background work keeps to a share of the window; interactive requests (a
/// label the user opened, a search) may use all of it and are never queued
/// behind background bookings. Bookings are first come, first served, and may
/// lie in the future: a caller that has to wait is given the first moment at
/// which its request fits, so waiting callers never overshoot together.
///
/// Used from the GUI thread only.
class QuotaPacer final
{
public:
    enum class Priority
    {
        Background,
        Interactive,
    };

    explicit QuotaPacer(std::shared_ptr<SyncClock> clock);

    /// Waits until `units` fit into the window and books them.
    QCoro::Task<> spend(int units, Priority priority);
    /// Google refused a request for quota although the bookings allowed it
    /// (another client of the same user spends too): nothing more goes out
    /// until `retryAfter` has passed, or a whole window when Google did not say.
    void refused(std::optional<std::chrono::milliseconds> retryAfter = std::nullopt);

private:
    struct Booking
    {
        qint64 atMs;
        int units;
    };

    qint64 firstFit(int units, int capacity, qint64 notBefore) const;
    bool fits(qint64 atMs, int units, int capacity) const;
    int bookedIn(qint64 fromMs, qint64 toMs) const;

    const std::shared_ptr<SyncClock> m_clock;
    QList<Booking> m_bookings;
    qint64 m_blockedUntilMs = 0;
    qint64 m_lastBackgroundMs = 0;
};

} // namespace vesk
