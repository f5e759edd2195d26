#pragma once

#include <QList>

#include <memory>

namespace vesk {

class AccountSession;
class NotificationPosting;

/// The launcher's count: the unread inbox messages of every linked account,
/// as Gmail counts them, handed to the poster that shows it.
class UnreadBadge final
{
public:
    explicit UnreadBadge(std::shared_ptr<NotificationPosting> poster);

    static qint64 total(const QList<AccountSession*>& sessions);
    /// Shows the total of `sessions` now.
    void update(const QList<AccountSession*>& sessions) const;

private:
    std::shared_ptr<NotificationPosting> m_poster;
};

} // namespace vesk
