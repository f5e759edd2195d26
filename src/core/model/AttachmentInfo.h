#pragma once

#include <QString>

namespace vesk {

/// One attachment of a fully decoded message; never stored.
struct AttachmentInfo
{
    QString messageId;
    QString attachmentId;
    QString filename;
    QString mimeType;
    /// Bytes, as Gmail reports it.
    qint64 size = 0;

    QString id() const { return messageId + u':' + attachmentId; }

    friend bool operator==(const AttachmentInfo&, const AttachmentInfo&) = default;
};

} // namespace vesk
