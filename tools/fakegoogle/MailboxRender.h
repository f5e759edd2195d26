#pragma once

#include "Mailbox.h"

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk::fakegoogle::render {

// Gmail's JSON for stored mail. Pure functions of the stored state.
enum class Format
{
    Minimal,
    Metadata,
    Full,
    Raw,
};

std::optional<Format> formatFromName(const QString& name);

QJsonObject message(const StoredMessage& message, Format format,
                    const QStringList& metadataHeaders = {});
QJsonObject thread(const QList<const StoredMessage*>& messages, Format format,
                   const QStringList& metadataHeaders = {});
QJsonObject label(const StoredLabel& label, const Mailbox::LabelCounts* counts);

// Attachment ids are opaque, differ on every read of the same message (as
// Gmail's do) and all stay valid: each one carries the message and part.
QString attachmentToken(const QString& messageId, const QString& partId);
std::optional<QPair<QString, QString>> parseAttachmentToken(const QString& token);

} // namespace vesk::fakegoogle::render
