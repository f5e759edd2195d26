#pragma once

namespace vesk {

/// What a new-mail notification's buttons do to the conversations it
/// announced, besides opening them.
enum class NotificationAction
{
    Archive,
    MarkRead,
};

} // namespace vesk
