#pragma once

#include <QByteArray>
#include <QString>

namespace vesk {

/// One attachment of a message being written: held whole in memory from the
/// moment it is added until the composer goes away.
struct OutgoingAttachment
{
    /// The file's own name, as shown and as written into the part's headers.
    QString filename;
    /// The media type written into the part's Content-Type header.
    QString mimeType;
    QByteArray data;

    friend bool operator==(const OutgoingAttachment&, const OutgoingAttachment&) = default;
};

} // namespace vesk
