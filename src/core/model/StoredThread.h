#pragma once

#include "FullMessage.h"

#include <QList>
#include <QString>

namespace vesk {

/// A conversation as kept on disk for reading without a connection: its
/// messages as Google last sent them, attachments listed but not their bytes.
struct StoredThread
{
    QString threadId;
    QList<FullMessage> messages;

    friend bool operator==(const StoredThread&, const StoredThread&) = default;
};

} // namespace vesk
