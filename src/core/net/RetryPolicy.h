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
};

} // namespace vesk
