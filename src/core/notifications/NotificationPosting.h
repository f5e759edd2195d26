#pragma once

#include "model/MessageSummary.h"

#include <QList>
#include <QStringList>
#include <QtGlobal>

namespace vesk {

struct AccountIdentity;

/// Where the news of new mail goes: the sync engines report the new unread
/// inbox messages of each synchronisation, the application state reports the
/// total unread count and which announced messages have been read since.
///
/// Implementations must accept calls from any thread, several at once, and
/// must neither block nor fail: the callers expect no result.
class NotificationPosting
{
public:
    virtual ~NotificationPosting() = default;

    /// One new message arrived in this account.
    virtual void postNewMessage(const AccountIdentity& account, const MessageSummary& summary) = 0;
    /// These messages arrived in this account together, in one
    /// synchronisation; a poster that does not group them posts each.
    virtual void postNewMessages(const AccountIdentity& account,
                                 const QList<MessageSummary>& summaries)
    {
        for (const MessageSummary& summary : summaries)
            postNewMessage(account, summary);
    }
    /// The total unread count over all accounts changed.
    virtual void setTotalUnread(qint64 count) = 0;

    /// The account's messages whose announcement may still be showing. The
    /// one exception to "any thread": the poster's own thread (the GUI
    /// thread), where the application state asks.
    virtual QStringList announcedMessages(const QString& /*accountId*/) const { return {}; }
    /// These announced messages were read, left the inbox or are gone: a
    /// notification goes once none of its messages is left unread.
    virtual void withdrawMessages(const QString& /*accountId*/, const QStringList& /*messageIds*/)
    {}
};

} // namespace vesk
