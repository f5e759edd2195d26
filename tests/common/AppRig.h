#pragma once

#include "AnsweringDialogs.h"
#include "RecordingNotificationPoster.h"
#include "TestBrowser.h"
#include "TestRig.h"
#include "app/AppServices.h"
#include "app/AppState.h"
#include "auth/OAuthConfig.h"
#include "auth/TokenVault.h"
#include "model/AccountRegistry.h"
#include "notifications/NotificationRouter.h"
#include "sync/AccountSession.h"
#include "transfers/TransferManager.h"

#include <memory>

namespace vesk::test {

/// What an application state needs to run against the Google stand-in: the
/// test rig (throwaway settings and cache, the test keyring, a recording
/// poster), a browser that follows the consent, a notification router and
/// file dialogs answered from a script.
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
        TokenVault(email, config, rig.transport(), rig.oauthEndpoints())
            .saveTokenSet(rig.tokensFor(email));
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

} // namespace vesk::test
