#pragma once

#include "MimeTree.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vesk::fakegoogle {

// One message as a mailbox keeps it: the RFC 5322 text as received, Gmail's
// bookkeeping around it, and the MIME tree mapped once at insertion.
struct StoredMessage
{
    QString id;
    QString threadId;
    QByteArray raw;
    QStringList labelIds;
    qint64 internalDate = 0; // milliseconds since the epoch
    quint64 historyId = 0;   // last history step that touched the message
    MimeTree mime;
};

} // namespace vesk::fakegoogle
