#pragma once

#include <QString>

namespace vesk {

struct AccountIdentity;
class MessageSummary;

/// What comes back with a click: enough to open the conversation.
struct NotificationUserInfo
{
    QString accountID;
    QString threadID;
    /// Kept with the rest; opening a conversation does not need it.
    QString messageID;

    friend bool operator==(const NotificationUserInfo&, const NotificationUserInfo&) = default;
};

/// Everything one new-mail notification says, independent of how the desktop
/// shows it. Texts are as the user should read them (snippet entities already
/// decoded), not yet made safe for a particular notification server.
struct NotificationPayload
{
    /// "vesk-" + account email + "-" + message id: unique per account and
    /// message, so a repeat replaces the notification instead of adding one.
    QString identifier;
    /// Account name + " · " + account email; the name is used even when empty.
    QString title;
    /// The sender's name, or the sender's address when the name is empty.
    QString subtitle;
    /// The subject, or "(sem assunto)", then a space and the snippet if there is one.
    QString body;
    /// The account email: notifications are grouped per account.
    QString threadIdentifier;
    NotificationUserInfo userInfo;

    static NotificationPayload forNewMessage(const AccountIdentity& account,
                                             const MessageSummary& summary);
};

} // namespace vesk
