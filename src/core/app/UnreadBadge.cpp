#include "UnreadBadge.h"

#include "notifications/NotificationPosting.h"
#include "sync/AccountSession.h"

namespace vesk {

UnreadBadge::UnreadBadge(std::shared_ptr<NotificationPosting> poster)
    : m_poster(std::move(poster))
{}

qint64 UnreadBadge::total(const QList<AccountSession*>& sessions)
{
    qint64 total = 0;
    for (const AccountSession* session : sessions)
        total += session->inboxUnread();
    return total;
}

void UnreadBadge::update(const QList<AccountSession*>& sessions) const
{
    if (m_poster)
        m_poster->setTotalUnread(total(sessions));
}

} // namespace vesk
