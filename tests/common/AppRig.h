#pragma once

#include "AnsweringDialogs.h"
#include "AwaitTask.h"
#include "RecordingNotificationPoster.h"
#include "TestBrowser.h"
#include "TestRig.h"
#include "ValuesOf.h"
#include "app/AppServices.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "auth/TokenVault.h"
#include "model/AccountRegistry.h"
#include "notifications/NotificationRouter.h"
#include "sync/AccountSession.h"
#include "transfers/TransferManager.h"

#include <QTest>

#include <memory>

// What reaches the stand-in (a sync, an action, a page of the web engine)
// can take long under the sanitizers on a busy machine.
#define QTRY_VERIFY_LONG(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 20000)
#define QTRY_COMPARE_LONG(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 20000)

namespace vesk::test {

/// What an application state needs to run against the Google stand-in: the
/// test rig (throwaway settings and cache, the test keyring, a recording
/// poster), a browser that follows the consent, a notification router and
/// file dialogs answered from a script; and the application state made over them.
struct AppRig
{
    explicit AppRig(const QList<AccountIdentity>& accounts = {})
        : rig(accounts)
    {}

    TestRig rig;
    std::shared_ptr<OAuthConfig> config = rig.config();
    std::shared_ptr<TestBrowser> browser = std::make_shared<TestBrowser>();
    std::shared_ptr<NotificationRouter> router = std::make_shared<NotificationRouter>();
    std::shared_ptr<AnsweringDialogs> dialogs = std::make_shared<AnsweringDialogs>();
    std::unique_ptr<AppState> app;

    fakegoogle::FakeGoogle& google() { return rig.google(); }
    RecordingNotificationPoster& poster() { return *rig.poster(); }

    AppServices services()
    {
        AppServices result;
        result.settings = rig.settings();
        result.sessions = rig.sessionServices();
        result.browser = browser;
        result.router = router;
        result.dialogs = dialogs;
        result.transfers = std::make_shared<TransferManager>(dialogs);
        return result;
    }

    /// A state over the rig's settings, its accounts not synced yet.
    AppState& state()
    {
        app = std::make_unique<AppState>(services());
        return *app;
    }
    /// A state whose accounts have synced once.
    AppState& start()
    {
        awaitTask(state().startAll());
        return *app;
    }

    /// The client as configured in the settings (the rig configures it first).
    void configureClient()
    {
        config->setClientId(TestRig::clientId());
        config->setClientSecret(TestRig::clientSecret());
    }

    /// An account linked in an earlier run, with fresh tokens: the
    /// application state built next finds it in the settings.
    void linkDirectly(const QString& email, const QString& name = {})
    {
        google().addAccount(email, name);
        rig.vault(email)->saveTokenSet(rig.tokensFor(email));
        AccountRegistry registry(rig.settings());
        registry.load();
        registry.upsert(AccountIdentity{email, name});
    }

    static AccountSession* sessionOf(const AppState& app, const QString& email)
    {
        for (AccountSession* session : app.sessions()) {
            if (session->id() == email)
                return session;
        }
        return nullptr;
    }
};

/// The subjects of the conversations the state lists, sorted.
inline QStringList sortedSubjects(const AppState& app)
{
    QStringList subjects = valuesOf(app.visibleThreads(), &ThreadSummary::subject);
    subjects.sort();
    return subjects;
}

} // namespace vesk::test
