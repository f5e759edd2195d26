#pragma once

#include <QString>

#include <optional>

namespace vesk {

/// How far a message has gone on its way out through its Gmail draft; kept
/// with a message that waits in the outbox, so that the next attempt goes on
/// from there.
struct DeliveryState
{
    /// The Gmail draft the message goes out through, once there is one.
    std::optional<QString> draftId;
    /// The draft holds the message as it is to go.
    bool draftIsFinal = false;
    /// drafts.send was asked for and may have reached Gmail, so that a draft
    /// found missing afterwards has gone out.
    bool sendTried = false;

    friend bool operator==(const DeliveryState&, const DeliveryState&) = default;
};

} // namespace vesk
