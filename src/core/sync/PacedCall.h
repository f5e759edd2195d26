#pragma once

#include "QuotaPacer.h"
#include "gmail/GmailError.h"
#include "gmail/GmailQuota.h"

#include <QCoroTask>

#include <functional>
#include <memory>

namespace vesk {

/// Makes a Gmail call once its units fit into the account's quota window.
/// When Google still refuses it for quota, the pacer holds requests back (as
/// long as Google asked, or while it learns the rate that gets through) and
/// the call is made again, until it has been refused for too long.
template <typename T>
QCoro::Task<T> pacedCall(std::shared_ptr<QuotaPacer> pacer, int units,
                         QuotaPacer::Priority priority, std::function<QCoro::Task<T>()> call)
{
    std::optional<qint64> firstRefusedMs;
    for (;;) {
        QuotaPacer::Ticket ticket = co_await pacer->spend(units, priority);
        std::optional<T> result;
        std::optional<std::chrono::milliseconds> wait;
        try {
            QCoro::Task<T> pending = call();
            result.emplace(co_await std::move(pending));
        } catch (const GmailError& e) {
            if (!e.isRateLimit())
                throw;
            const qint64 now = pacer->nowMs();
            if (firstRefusedMs && now - *firstRefusedMs > GmailQuota::refusedLongest.count()) {
                ticket.refused(e.retryAfter());
                throw;
            }
            firstRefusedMs = firstRefusedMs.value_or(now);
            wait = e.retryAfter();
        }
        if (result)
            co_return std::move(*result);
        ticket.refused(wait);
    }
}

} // namespace vesk
