#pragma once

#include "QuotaPacer.h"
#include "gmail/GmailError.h"

#include <QCoroTask>

#include <functional>
#include <memory>

namespace vesk {

/// Refusals for quota one call sits out before its error is passed on.
inline constexpr int maxQuotaRefusals = 3;

/// Makes a Gmail call once its units fit into the account's quota window.
/// When Google still refuses it for quota, the pacer holds every request back
/// for as long as Google asked (or a whole window) and the call is made again.
template <typename T>
QCoro::Task<T> pacedCall(std::shared_ptr<QuotaPacer> pacer, int units,
                         QuotaPacer::Priority priority, std::function<QCoro::Task<T>()> call)
{
    for (int refusals = 0;; ++refusals) {
        co_await pacer->spend(units, priority);
        std::optional<T> result;
        std::optional<std::chrono::milliseconds> wait;
        try {
            QCoro::Task<T> pending = call();
            result.emplace(co_await std::move(pending));
        } catch (const GmailError& e) {
            if (!e.isRateLimit() || refusals + 1 >= maxQuotaRefusals)
                throw;
            wait = e.retryAfter();
        }
        if (result)
            co_return std::move(*result);
        pacer->refused(wait);
    }
}

} // namespace vesk
