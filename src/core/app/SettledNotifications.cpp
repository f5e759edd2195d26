#include "SettledNotifications.h"

#include "model/MailStore.h"
#include "model/SystemLabels.h"
#include "notifications/NotificationPosting.h"
#include "sync/AccountSession.h"

namespace vesk {

void withdrawSettledNotifications(NotificationPosting& poster, const AccountSession& session)
{
    const QStringList announced = poster.announcedMessages(session.id());
    if (announced.isEmpty())
        return;
    const MailStore::State state = session.store()->snapshot();
    QStringList settled;
    for (const QString& id : announced) {
        // Gone from the cache means deleted (or never there): nothing is
        // left to read.
        const MessageSummary* summary = state.summaries.find(id);
        if (!summary || !summary->hasLabel(SystemLabels::inbox()) ||
            !summary->hasLabel(SystemLabels::unread()))
            settled.append(id);
    }
    if (!settled.isEmpty())
        poster.withdrawMessages(session.id(), settled);
}

} // namespace vesk
