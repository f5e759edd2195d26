#pragma once

#include "DeliveryState.h"
#include "OutgoingAttachment.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace vesk {

/// A message the person sent while Google could not take it: everything a
/// composer needs to send it later, or to open it again for changes.
struct OutboxMessage
{
    QUuid id;
    /// ComposerSession::Mode as a number, so that it opens again as written.
    int mode = 0;
    QString to;
    QString cc;
    QString bcc;
    QString subject;
    QString body;
    QList<OutgoingAttachment> attachments;
    std::optional<QString> threadId;
    std::optional<QString> inReplyTo;
    std::optional<QString> references;
    /// Its Gmail draft, and how far sending it through the draft got.
    DeliveryState delivery;
    QDateTime queuedAt;
    /// Why Gmail refused it; a refused message waits for the person, not for
    /// the network.
    QString refusal;

    bool isHeld() const { return !refusal.isEmpty(); }

    QByteArray encode() const;
    /// None when `bytes` is not an outbox message through and through.
    static std::optional<OutboxMessage> decode(const QByteArray& bytes);

    friend bool operator==(const OutboxMessage&, const OutboxMessage&) = default;
};

} // namespace vesk
