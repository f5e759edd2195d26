#pragma once

#include "notifications/NotificationPosting.h"

namespace vesk {

/// The poster of an account whose notifications are switched off: it hears
/// everything and shows nothing.
class SilentPoster final : public NotificationPosting
{
public:
    void postNewMessage(const AccountIdentity&, const MessageSummary&) override {}
    void setTotalUnread(qint64) override {}
};

} // namespace vesk
