#include "ThreadFacts.h"

#include "SystemLabels.h"

namespace vesk {

ThreadFacts ThreadFacts::of(const QList<ThreadSummary>& threads)
{
    ThreadFacts facts;
    facts.allStarred = !threads.isEmpty();
    const QString trash = SystemLabels::trash();
    const QString spam = SystemLabels::spam();
    for (const ThreadSummary& thread : threads) {
        facts.anyUnread = facts.anyUnread || thread.isUnread();
        facts.allStarred = facts.allStarred && thread.isStarred();
        facts.inTrash = facts.inTrash || thread.anyHasLabel(trash);
        facts.inSpam = facts.inSpam || thread.anyHasLabel(spam);
    }
    return facts;
}

} // namespace vesk
