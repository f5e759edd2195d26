#include "QuotaPacer.h"

#include "SyncClock.h"
#include "gmail/GmailQuota.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr qint64 windowMs = GmailQuota::window.count();

} // namespace

QuotaPacer::QuotaPacer(std::shared_ptr<SyncClock> clock)
    : m_clock(std::move(clock))
{}

int QuotaPacer::bookedIn(qint64 fromMs, qint64 toMs) const
{
    int units = 0;
    for (const Booking& booking : m_bookings) {
        if (booking.atMs > fromMs && booking.atMs <= toMs)
            units += booking.units;
    }
    return units;
}

bool QuotaPacer::fits(qint64 atMs, int units, int capacity) const
{
    // A booking at `atMs` belongs to every window ending within the next
    // window length; bookings already made for later moments share some of
    // those windows, so each of them is checked too.
    if (bookedIn(atMs - windowMs, atMs) + units > capacity)
        return false;
    for (const Booking& later : m_bookings) {
        if (later.atMs > atMs && later.atMs < atMs + windowMs &&
            bookedIn(later.atMs - windowMs, later.atMs) + units > capacity)
            return false;
    }
    return true;
}

qint64 QuotaPacer::firstFit(int units, int capacity, qint64 notBefore) const
{
    // Room only ever appears when a booking leaves the window, so those
    // moments are the only candidates after the first.
    QList<qint64> candidates{notBefore};
    for (const Booking& booking : m_bookings) {
        if (booking.atMs + windowMs > notBefore)
            candidates.append(booking.atMs + windowMs);
    }
    std::sort(candidates.begin(), candidates.end());
    for (const qint64 candidate : candidates) {
        if (fits(candidate, units, capacity))
            return candidate;
    }
    // More than a whole window asks for: let it go alone once all has left.
    return candidates.last();
}

QCoro::Task<> QuotaPacer::spend(int units, Priority priority)
{
    const std::shared_ptr<SyncClock> clock = m_clock;
    const qint64 now = clock->nowMs();
    m_bookings.removeIf([now](const Booking& b) { return b.atMs <= now - windowMs; });

    const bool background = priority == Priority::Background;
    const int capacity = background
                             ? GmailQuota::unitsPerWindow * GmailQuota::backgroundPercent / 100
                             : GmailQuota::unitsPerWindow;
    qint64 notBefore = std::max(now, m_blockedUntilMs);
    if (background)
        notBefore = std::max(notBefore, m_lastBackgroundMs);
    const qint64 at = firstFit(units, capacity, notBefore);
    m_bookings.append(Booking{at, units});
    if (background)
        m_lastBackgroundMs = at;
    if (at > now)
        co_await clock->sleepFor(std::chrono::milliseconds(at - now));
}

void QuotaPacer::refused(std::optional<std::chrono::milliseconds> retryAfter)
{
    const qint64 until = m_clock->nowMs() + retryAfter.value_or(GmailQuota::window).count();
    m_blockedUntilMs = std::max(m_blockedUntilMs, until);
}

} // namespace vesk
