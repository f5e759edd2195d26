#pragma once

#include <exception>

namespace vesk {

/// What a failed attempt to hand a change or a message to Gmail means for
/// it, read from the error's fields, never its text.
enum class SendOutcome
{
    /// It may go later: no network, Google busy or out of quota for now,
    /// tokens to renew or the account to link again. Kept, tried again.
    Retry,
    /// What it was about is gone at Google (404): nothing left to do.
    Gone,
    /// Google said no, and saying it again will not change that.
    Refused,
};

SendOutcome sendOutcomeOf(const std::exception& error);

} // namespace vesk
