#pragma once

#include "ThreadSummary.h"

#include <QList>

namespace vesk {

/// What the actions offered for some conversations depend on, taken
/// together: "Marcar como lida" while any is unread, "Remover estrela" once
/// all are starred, the way back to the inbox for those in the trash or the
/// spam. The thread list's menu and keys and the reader ask the same
/// questions, so that they always offer the same thing.
struct ThreadFacts
{
    bool anyUnread = false;
    bool allStarred = false;
    bool inTrash = false;
    bool inSpam = false;

    static ThreadFacts of(const QList<ThreadSummary>& threads);
};

} // namespace vesk
