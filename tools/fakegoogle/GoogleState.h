#pragma once

#include "FaultTable.h"
#include "Mailbox.h"
#include "OAuthRegistry.h"
#include "QuotaMeter.h"
#include "RecordedRequest.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace vesk::fakegoogle {

// Everything the stand-in knows, behind one lock. The HTTP threads and the
// test's thread both take `mutex` for the whole of each operation, which keeps
// every answer consistent with one moment of the mailbox.
struct GoogleState
{
    mutable std::mutex mutex;
    std::map<QString, std::unique_ptr<Mailbox>> mailboxes; // by lower-case address
    QStringList accountOrder;                              // addresses, first created first
    OAuthRegistry oauth;
    QuotaMeter quota;
    FaultTable faults;
    QList<RecordedRequest> log;
    std::function<qint64()> clock; // milliseconds since the epoch; empty: system clock
    QString
        consentAccount;   // who "signs in" at the consent page; empty: the hinted or first account
    QString consentError; // non-empty: consent is refused with this error
    qint64 tokenLifetimeSeconds = 3599;

    qint64 nowMs() const;
    Mailbox* mailbox(const QString& email) const;
    Mailbox& addMailbox(const QString& email, const QString& name);
    // Who signs in at the consent page: the account set by the test, else
    // the one `loginHint` names, else the first.
    Mailbox* consentMailbox(const QString& loginHint = {}) const;
};

} // namespace vesk::fakegoogle
