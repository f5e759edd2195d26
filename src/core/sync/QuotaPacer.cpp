#include "QuotaPacer.h"

#include "SyncClock.h"
#include "gmail/GmailQuota.h"

#include <QCoroFuture>

#include <algorithm>

namespace vesk {

namespace {

constexpr qint64 windowMs = GmailQuota::window.count();
constexpr int published = GmailQuota::unitsPerWindow;

int shareOf(int units, bool background)
{
    return background ? units * GmailQuota::backgroundPercent / 100 : units;
}

} // namespace

QuotaPacer::Ticket::Ticket(std::weak_ptr<QuotaPacer> pacer, quint64 rate, bool probe, int heldUnits)
    : m_pacer(std::move(pacer))
    , m_rate(rate)
    , m_probe(probe)
    , m_heldUnits(heldUnits)
{}

QuotaPacer::Ticket::Ticket(Ticket&& other) noexcept
    : m_pacer(std::move(other.m_pacer))
    , m_rate(other.m_rate)
    , m_probe(other.m_probe)
    , m_heldUnits(other.m_heldUnits)
{
    other.m_pacer.reset();
}

QuotaPacer::Ticket& QuotaPacer::Ticket::operator=(Ticket&& other) noexcept
{
    if (this != &other) {
        if (const std::shared_ptr<QuotaPacer> pacer = m_pacer.lock())
            pacer->passed(*this);
        m_pacer = std::move(other.m_pacer);
        other.m_pacer.reset();
        m_rate = other.m_rate;
        m_probe = other.m_probe;
        m_heldUnits = other.m_heldUnits;
    }
    return *this;
}

QuotaPacer::Ticket::~Ticket()
{
    if (const std::shared_ptr<QuotaPacer> pacer = m_pacer.lock())
        pacer->passed(*this);
}

void QuotaPacer::Ticket::refused(std::optional<std::chrono::milliseconds> retryAfter)
{
    if (const std::shared_ptr<QuotaPacer> pacer = m_pacer.lock())
        pacer->refused(*this, retryAfter);
    m_pacer.reset();
}

QuotaPacer::QuotaPacer(std::shared_ptr<SyncClock> clock)
    : m_clock(std::move(clock))
    , m_allowed(published)
{}

qint64 QuotaPacer::nowMs() const
{
    return m_clock->nowMs();
}

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

qint64 QuotaPacer::evenSpacingMs(int units, int allowed) const
{
    return qint64(units) * windowMs / std::max(1, allowed);
}

void QuotaPacer::growAllowance(qint64 now)
{
    if (m_allowed >= published)
        return;
    const qint64 windows = (now - m_growingSinceMs) / windowMs;
    if (windows <= 0)
        return;
    const qint64 grown =
        qint64(m_allowed) + windows * published * GmailQuota::learnedStepPercent / 100;
    m_allowed = int(std::min<qint64>(published, grown));
    m_growingSinceMs += windows * windowMs;
}

QCoro::Task<QuotaPacer::Ticket> QuotaPacer::spend(int units, Priority priority)
{
    const std::shared_ptr<SyncClock> clock = m_clock;
    const bool background = priority == Priority::Background;
    for (;;) {
        growAllowance(clock->nowMs());
        if (mustWait(units, background)) {
            if (!m_answered) {
                m_answered = std::make_unique<QPromise<void>>();
                m_answered->start();
            }
            QFuture<void> answered = m_answered->future();
            co_await answered;
            continue;
        }
        const qint64 now = clock->nowMs();
        m_bookings.removeIf([now](const Booking& b) { return b.atMs <= now - windowMs; });

        // Google's published window bounds every booking; below it, once
        // Google refused, the learned rate spreads background requests evenly
        // so that no burst meets a window shorter or tighter than published.
        const bool learning = m_allowed < published;
        qint64 notBefore = std::max(now, m_blockedUntilMs);
        if (background)
            notBefore = std::max({notBefore, m_lastBackgroundMs, learning ? m_evenFromMs : 0});
        const qint64 at = firstFit(units, shareOf(published, background), notBefore);
        const quint64 booking = m_nextBooking++;
        m_bookings.append(Booking{booking, at, units});
        if (background)
            m_lastBackgroundMs = at;
        if (learning) {
            m_evenFromMs =
                std::max(m_evenFromMs, at) + evenSpacingMs(units, shareOf(m_allowed, background));
        }
        const bool probe = m_probing;
        if (probe)
            m_probeOut = true;
        const int held = learning && background ? units : 0;
        m_heldUnits += held;
        // Held across the wait, so that a caller dropped meanwhile still
        // gives its place back.
        Ticket ticket(weak_from_this(), m_rate, probe, held);
        if (at > now)
            co_await clock->sleepFor(std::chrono::milliseconds(at - now));
        // Refused while this caller waited: its moment may now lie in the
        // pause, or only the probe may go; it books again.
        if (m_blockedUntilMs > at || (m_probing && !probe)) {
            release(ticket);
            ticket.m_pacer.reset();
            m_bookings.removeIf([booking](const Booking& b) { return b.id == booking; });
            continue;
        }
        co_return ticket;
    }
}

bool QuotaPacer::mustWait(int units, bool background) const
{
    if (m_probing && m_probeOut)
        return true;
    if (!background || m_allowed >= published || m_heldUnits == 0)
        return false;
    const int perSecond = shareOf(m_allowed, background) * 1000 / int(windowMs);
    return m_heldUnits + units > perSecond;
}

void QuotaPacer::release(const Ticket& ticket)
{
    m_heldUnits -= ticket.m_heldUnits;
    if (ticket.m_probe)
        m_probeOut = false;
    wakeWaiters();
}

void QuotaPacer::passed(const Ticket& ticket)
{
    if (ticket.m_rate == m_rate)
        m_ratePassed = true;
    if (ticket.m_probe) {
        m_probing = false;
        m_refusalsInRow = 0;
    }
    release(ticket);
}

void QuotaPacer::refused(const Ticket& ticket, std::optional<std::chrono::milliseconds> retryAfter)
{
    const qint64 now = nowMs();
    release(ticket);
    const quint64 rate = ticket.m_rate;
    const bool probe = ticket.m_probe;
    if (retryAfter) {
        blockFor(now, retryAfter->count());
        wakeWaiters();
        return;
    }
    // Refusals of requests sent before the last cut, or while a probe is
    // out, tell nothing new.
    if (!probe && (m_probing || rate != m_rate))
        return;
    // Refused at a rate that got through before: the rate is too high. A
    // refusal before anything passed at this rate only says the window is
    // full for now.
    if (rate == m_rate && m_ratePassed) {
        m_allowed = std::max(published * GmailQuota::learnedFloorPercent / 100, m_allowed / 2);
        ++m_rate;
        m_ratePassed = false;
        m_refusalsInRow = 0;
    }
    m_growingSinceMs = now;
    ++m_refusalsInRow;
    m_probing = true;
    const qint64 pause = std::min(GmailQuota::refusalPauseStep.count() * m_refusalsInRow,
                                  GmailQuota::refusalPauseLongest.count());
    blockFor(now, pause);
    wakeWaiters();
}

void QuotaPacer::blockFor(qint64 now, qint64 durationMs)
{
    m_blockedUntilMs = std::max(m_blockedUntilMs, now + durationMs);
    // Bookings given up in the pause are booked again from its end, evenly
    // and in turn as before.
    m_evenFromMs = m_blockedUntilMs;
    m_lastBackgroundMs = std::min(m_lastBackgroundMs, m_blockedUntilMs);
}

void QuotaPacer::wakeWaiters()
{
    if (!m_answered)
        return;
    const std::unique_ptr<QPromise<void>> answered = std::move(m_answered);
    answered->finish();
}

} // namespace vesk
