#pragma once

#include "notifications/NotificationPosting.h"

#include <atomic>
#include <memory>

namespace vesk {

/// The poster an account's sync engine announces new mail through: it hands
/// each new message on to the application's poster while the account's
/// notification switch is on and drops it while the switch is off. The switch
/// changes in place, so an account keeps its running engine when the user
/// turns its notifications on or off.
///
/// Any thread may post while the GUI thread turns the switch.
class SwitchedPoster final : public NotificationPosting
{
public:
    SwitchedPoster(std::shared_ptr<NotificationPosting> target, bool enabled)
        : m_target(std::move(target))
        , m_enabled(enabled)
    {}

    bool isEnabled() const { return m_enabled.load(); }
    void setEnabled(bool enabled) { m_enabled.store(enabled); }

    void postNewMessage(const AccountIdentity& account, const MessageSummary& summary) override
    {
        if (m_target && m_enabled.load())
            m_target->postNewMessage(account, summary);
    }

    void postNewMessages(const AccountIdentity& account,
                         const QList<MessageSummary>& summaries) override
    {
        if (m_target && m_enabled.load())
            m_target->postNewMessages(account, summaries);
    }

    /// The badge counts every account: only the application state sets it.
    void setTotalUnread(qint64) override {}

private:
    const std::shared_ptr<NotificationPosting> m_target;
    std::atomic_bool m_enabled;
};

} // namespace vesk
