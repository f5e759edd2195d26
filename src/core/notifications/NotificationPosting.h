#pragma once

#include <QtGlobal>

namespace vesk {

struct AccountIdentity;
class MessageSummary;

/// Where the news of new mail goes: the sync engines report each new unread
/// inbox message, the application state reports the total unread count.
///
/// Implementations must accept calls from any thread, several at once, and
/// must neither block nor fail: the callers expect no result.
class NotificationPosting
{
public:
    virtual ~NotificationPosting() = default;

    /// One new message arrived in this account.
    virtual void postNewMessage(const AccountIdentity& account, const MessageSummary& summary) = 0;
    /// The total unread count over all accounts changed.
    virtual void setTotalUnread(qint64 count) = 0;
};

} // namespace vesk
