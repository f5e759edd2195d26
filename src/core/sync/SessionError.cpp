#include "SessionError.h"

#include "auth/OAuthError.h"
#include "gmail/GmailError.h"
#include "net/DescribedError.h"

namespace vesk {

namespace {

SessionError::Kind kindOf(const GmailError& error)
{
    if (error.isRateLimit())
        return SessionError::Kind::Quota;
    switch (error.kind()) {
    case GmailError::Kind::Unauthorized:
        return SessionError::Kind::NeedsRelink;
    case GmailError::Kind::Transport:
        return SessionError::Kind::Offline;
    case GmailError::Kind::Http:
        // 401 after a fresh token; 403 for a grant without the Gmail scope.
        if (error.status() == 401 || error.answer().lacksScope())
            return SessionError::Kind::NeedsRelink;
        if (error.answer().isQuotaSpent())
            return SessionError::Kind::Quota;
        return SessionError::Kind::Other;
    case GmailError::Kind::Decoding:
    case GmailError::Kind::HistoryExpired:
        return SessionError::Kind::Other;
    }
    return SessionError::Kind::Other;
}

SessionError::Kind kindOf(const OAuthError& error)
{
    // The token endpoint refusing the refresh token: revoked, expired, or
    // issued to another client.
    if (error.kind() == OAuthError::Kind::Http &&
        (error.errorCode() == u"invalid_grant" || error.errorCode() == u"unauthorized_client" ||
         error.errorCode() == u"invalid_client"))
        return SessionError::Kind::NeedsRelink;
    return SessionError::Kind::Other;
}

} // namespace

SessionError SessionError::from(const std::exception& error)
{
    Kind kind = Kind::Other;
    if (const auto* gmail = dynamic_cast<const GmailError*>(&error))
        kind = kindOf(*gmail);
    else if (const auto* oauth = dynamic_cast<const OAuthError*>(&error))
        kind = kindOf(*oauth);
    else if (dynamic_cast<const NetworkError*>(&error))
        kind = Kind::Offline;
    return SessionError{describeError(error), kind, errorDetails(error)};
}

} // namespace vesk
