#include "GoogleState.h"

#include <QDateTime>

namespace vesk::fakegoogle {

qint64 GoogleState::nowMs() const
{
    return clock ? clock() : QDateTime::currentMSecsSinceEpoch();
}

Mailbox* GoogleState::mailbox(const QString& email) const
{
    const auto it = mailboxes.find(email.toLower());
    return it == mailboxes.end() ? nullptr : it->second.get();
}

Mailbox& GoogleState::addMailbox(const QString& email, const QString& name)
{
    auto& slot = mailboxes[email.toLower()];
    if (!slot) {
        slot = std::make_unique<Mailbox>(email, name);
        accountOrder.append(email);
    }
    return *slot;
}

Mailbox* GoogleState::consentMailbox() const
{
    if (!consentAccount.isEmpty())
        return mailbox(consentAccount);
    return accountOrder.isEmpty() ? nullptr : mailbox(accountOrder.constFirst());
}

} // namespace vesk::fakegoogle
