#pragma once

#include <QCoroTask>
#include <QList>
#include <QPromise>

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
/// Google may refuse below its published limit (another client of the same
/// user spends too, or a tighter limit is in force). Without a Retry-After
/// the pacer then learns the rate that gets through: it pauses briefly, sends
/// one request at a time until one passes, halves the rate it allows itself
/// and spreads requests evenly at that rate, adding back a little per window
/// without a refusal. A Retry-After is obeyed as given.
///
/// Owned through a shared pointer (tickets refer back to it weakly); used
/// from the GUI thread only.
class QuotaPacer final : public std::enable_shared_from_this<QuotaPacer>
{
public:
    enum class Priority
    {
        Background,
        Interactive,
    };

    /// One request let out by spend(). Whatever becomes of the request is
    /// told through it: refused() when Google refused it for quota; dropping
    /// the ticket otherwise means Google took the request.
    class Ticket final
    {
    public:
        Ticket() = default;
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;
        ~Ticket();

        void refused(std::optional<std::chrono::milliseconds> retryAfter);

    private:
        friend class QuotaPacer;
        Ticket(std::weak_ptr<QuotaPacer> pacer, quint64 rate, bool probe, int heldUnits);

        std::weak_ptr<QuotaPacer> m_pacer;
        quint64 m_rate = 0;
        bool m_probe = false;
        int m_heldUnits = 0;
    };

    explicit QuotaPacer(std::shared_ptr<SyncClock> clock);

    /// Waits until `units` may go and books them. The caller keeps the pacer
    /// alive until this returns.
    QCoro::Task<Ticket> spend(int units, Priority priority);

    /// Units per window the pacer allows itself now: the published limit, or
    /// what it learned after refusals below it.
    int allowedPerWindow() const { return m_allowed; }
    qint64 nowMs() const;

private:
    struct Booking
    {
        quint64 id;
        qint64 atMs;
        int units;
    };

    void passed(const Ticket& ticket);
    void refused(const Ticket& ticket, std::optional<std::chrono::milliseconds> retryAfter);
    void release(const Ticket& ticket);
    bool mustWait(int units, bool background) const;
    void growAllowance(qint64 now);
    void blockFor(qint64 now, qint64 durationMs);
    void wakeWaiters();
    qint64 evenSpacingMs(int units, int allowed) const;
    qint64 firstFit(int units, int capacity, qint64 notBefore) const;
    bool fits(qint64 atMs, int units, int capacity) const;
    int bookedIn(qint64 fromMs, qint64 toMs) const;

    const std::shared_ptr<SyncClock> m_clock;
    QList<Booking> m_bookings;
    quint64 m_nextBooking = 0;
    qint64 m_blockedUntilMs = 0;
    qint64 m_lastBackgroundMs = 0;

    // What Google let through: the allowance, the rate step it belongs to
    // (bumped at each cut, so that refusals of requests sent before a cut do
    // not cut again), whether a request of this step has passed, the start of
    // the current window without a refusal, and the first moment the even
    // spreading at the learned rate allows.
    int m_allowed;
    quint64 m_rate = 0;
    bool m_ratePassed = false;
    qint64 m_growingSinceMs = 0;
    qint64 m_evenFromMs = 0;
    // Refused without a word on how long: one request at a time until one
    // passes; the others wait for its answer.
    bool m_probing = false;
    bool m_probeOut = false;
    int m_refusalsInRow = 0;
    // Background units booked and not yet answered while learning: kept to
    // about a second's worth, so that requests go out spread, not in bursts.
    int m_heldUnits = 0;
    // The next answer, awaited by the callers held back.
    std::unique_ptr<QPromise<void>> m_answered;
};

} // namespace vesk
