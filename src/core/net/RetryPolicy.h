#pragma once

#include <chrono>

namespace vesk {

/// How the Gmail client retries answers that Google asks clients to retry
/// (rate limits and passing server errors): exponential backoff with jitter.
struct RetryPolicy
{
    /// Attempts in all, the first included.
    int maxAttempts = 4;
    std::chrono::milliseconds initialDelay{1000};
    /// Upper bound for one wait, also for a server's Retry-After.
    std::chrono::milliseconds maxDelay{32000};
    /// Off for a client whose every call goes through the quota pacer: a
    /// quota refusal goes straight back to the pacer, which learns from it
    /// the rate that gets through, where quick retries below it would only
    /// spend more refused requests. Server errors are retried either way.
    bool retryRateLimits = true;

    /// This policy for a client whose calls are all paced.
    RetryPolicy leavingQuotaToPacer() const
    {
        RetryPolicy paced = *this;
        paced.retryRateLimits = false;
        return paced;
    }
};

} // namespace vesk
