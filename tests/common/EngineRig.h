#pragma once

#include "TestRig.h"
#include "VirtualClock.h"
#include "model/MailStore.h"
#include "sync/SyncEngine.h"

#include <QSet>

#include <memory>

namespace vesk::test {

/// One account's sync engine against the stand-in, over a cache in the
/// test's folder, announcing to the rig's recording poster.
struct EngineRig
{
    explicit EngineRig(const AccountIdentity& owner)
        : account(owner)
        , rig({owner})
    {
        open();
    }

    /// Google's 2026 quota from now on, on a clock the engine and the
    /// stand-in share, which moves only while the engine waits for quota.
    void useQuotaOnVirtualTime()
    {
        clock = std::make_shared<VirtualClock>();
        google.setClock(clock->googleClock());
        google.setQuotaModel(fakegoogle::QuotaModel::PerMinute2026);
        open();
    }

    /// A new engine over a new store of the cache, as at the next start.
    void open()
    {
        engine.reset();
        store.reset();
        store = std::make_shared<MailStore>(account.email, rig.path(QStringLiteral("cache")));
        engine = std::make_unique<SyncEngine>(account, api, store, rig.poster(), clock);
    }

    QSet<QString> cachedIds() const
    {
        const QStringList ids = store->snapshot().summaries.keys();
        return QSet<QString>(ids.begin(), ids.end());
    }

    const AccountIdentity account;
    // Before the rig, so that it goes after it: the stand-in reads it to the end.
    std::shared_ptr<VirtualClock> clock;
    TestRig rig;
    fakegoogle::FakeGoogle& google = rig.google();
    std::shared_ptr<GmailAPIClient> api = rig.gmailClient(account.email);
    std::shared_ptr<MailStore> store;
    std::unique_ptr<SyncEngine> engine;
};

} // namespace vesk::test
