#pragma once

#include "model/AccountIdentity.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QThreadPool;

namespace vesk {

class GmailAPIClient;
class MailStore;
class Outbox;

/// What a composer needs of the account it writes from, handed over by
/// whoever owns the account's session, so that composing does not depend on
/// syncing.
///
/// The owner is held weakly: once it is gone the account counts as closed,
/// and the composer saves and sends nothing more.
struct ComposerAccount
{
    AccountIdentity identity;
    std::shared_ptr<GmailAPIClient> api;
    /// Brings the account's mail up to date once a message has gone.
    std::function<QCoro::Task<>()> syncNow;
    QPointer<QObject> owner;
    /// Where a message goes that Google cannot take now; none sends only
    /// directly.
    QPointer<Outbox> outbox;
    /// Google is known to be out of reach: a message goes to the outbox
    /// without trying.
    std::function<bool()> isOffline;
    /// The account's cached mail, whose people the address fields offer;
    /// none offers nobody.
    std::shared_ptr<MailStore> store;
    /// Where the address book is built; none: Qt's shared pool, which the
    /// raster paint engine also waits on.
    QPointer<QThreadPool> workers;

    bool isOpen() const { return owner && api; }
};

} // namespace vesk
