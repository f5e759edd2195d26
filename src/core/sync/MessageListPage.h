#pragma once

#include "model/MessageSummary.h"

#include <QList>
#include <QString>

namespace vesk {

/// A page of a server-side search: its messages, newest first, and Gmail's
/// token for the next page, empty after the last.
struct MessageListPage
{
    QList<MessageSummary> messages;
    QString nextPageToken;
};

} // namespace vesk
