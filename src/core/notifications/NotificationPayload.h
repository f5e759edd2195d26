#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vesk {

struct AccountIdentity;
class MessageSummary;

/// What comes back with a click or an action: enough to open the
/// conversation, or to act on every conversation announced.
struct NotificationUserInfo
{
    QString accountID;
    /// The conversation a click opens; empty for a notification of several
    /// messages, whose click opens the account's inbox.
    QString threadID;
    /// The announced messages still unread in the inbox, newest first: the
    /// notification is withdrawn once none is left.
    QStringList messageIDs;
    /// The conversations of every announced message, newest first: the
    /// actions take them all, even those read meanwhile.
    QStringList threadIDs;

    friend bool operator==(const NotificationUserInfo&, const NotificationUserInfo&) = default;
};

/// Everything one new-mail notification says, independent of how the desktop
/// shows it. Texts are as the user should read them (snippet entities already
/// decoded), not yet made safe for a particular notification server.
struct NotificationPayload
{
    /// A notification of several messages lists at most this many of them.
    static constexpr qsizetype maxListed = 3;

    /// "vesk-" + account email + "-" + message id (ids joined by "+" for
    /// several): unique per account and messages, so that a repeat replaces
    /// the notification instead of adding one.
    QString identifier;
    /// One message: account name + " · " + account email, the name used even
    /// when empty. Several: how many arrived, and in which account.
    QString title;
    /// The sender's name, or the sender's address when the name is empty;
    /// empty for several messages.
    QString subtitle;
    /// One message: the subject, or "(sem assunto)", then a space and the
    /// snippet if there is one. Several: empty.
    QString body;
    /// Several messages: one line per message listed (sender and subject),
    /// and a last one saying how many more there are.
    QStringList lines;
    /// The account email: notifications are grouped per account.
    QString threadIdentifier;
    NotificationUserInfo userInfo;

    static NotificationPayload forNewMessage(const AccountIdentity& account,
                                             const MessageSummary& summary);
    /// One notification for the messages one synchronisation brought to an
    /// account (forNewMessage() for a single one); `summaries` must not be empty.
    static NotificationPayload forNewMessages(const AccountIdentity& account,
                                              QList<MessageSummary> summaries);
};

} // namespace vesk
