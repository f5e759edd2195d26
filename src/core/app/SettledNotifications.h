#pragma once

namespace vesk {

class AccountSession;
class NotificationPosting;

/// Withdraws the notifications of the session's account whose messages have
/// all been read, have left the inbox or are gone from its cache, however
/// that came about. Cheap while nothing of the account is announced; call on
/// the GUI thread after each change of the account's cache.
void withdrawSettledNotifications(NotificationPosting& poster, const AccountSession& session);

} // namespace vesk
