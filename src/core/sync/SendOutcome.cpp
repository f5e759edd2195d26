#include "SendOutcome.h"

#include "gmail/GmailError.h"

namespace vesk {

SendOutcome sendOutcomeOf(const std::exception& error)
{
    const auto* gmail = dynamic_cast<const GmailError*>(&error);
    // The network, the token endpoint, an answer that did not decode: none
    // of these says Google refused; the change is idempotent, so it is sent
    // again rather than lost.
    if (!gmail || gmail->kind() != GmailError::Kind::Http)
        return SendOutcome::Retry;
    const int status = gmail->status();
    if (gmail->isRateLimit() || gmail->answer().isQuotaSpent() || status == 401 ||
        gmail->answer().lacksScope() || status == 408 || status >= 500)
        return SendOutcome::Retry;
    if (status == 404)
        return SendOutcome::Gone;
    return SendOutcome::Refused;
}

} // namespace vesk
