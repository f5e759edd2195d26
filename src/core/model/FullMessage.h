#pragma once

#include "AttachmentInfo.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk {

/// One message decoded for reading; produced on demand and never stored.
struct FullMessage
{
    QString id;
    QString threadId;
    QStringList labelIds;
    QString fromName;
    QString fromEmail;
    /// The "To" and "Cc" headers as written: comma-separated address lists.
    QString to;
    QString cc;
    QString subject;
    QDateTime date;
    QString snippet;
    std::optional<QString> plainText;
    std::optional<QString> html;
    QList<AttachmentInfo> attachments;
    /// Kept for replies: they go into In-Reply-To and References.
    std::optional<QString> messageIdHeader;
    std::optional<QString> references;

    friend bool operator==(const FullMessage&, const FullMessage&) = default;
};

} // namespace vesk
