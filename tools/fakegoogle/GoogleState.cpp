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

Mailbox* GoogleState::consentMailbox(const QString& loginHint) const
{
    if (!consentAccount.isEmpty())
        return mailbox(consentAccount);
    // Google pre-selects the hinted account; one it does not know leaves the
    // choice to the person, who here picks the first.
    if (Mailbox* hinted = loginHint.isEmpty() ? nullptr : mailbox(loginHint))
        return hinted;
    return accountOrder.isEmpty() ? nullptr : mailbox(accountOrder.constFirst());
}

} // namespace vesk::fakegoogle
