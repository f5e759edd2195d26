#pragma once

#include "RecordingNotificationPoster.h"
#include "TestBrowser.h"
#include "TestRig.h"
#include "app/AppServices.h"
#include "auth/OAuthConfig.h"
#include "auth/TokenVault.h"
#include "model/AccountRegistry.h"
#include "net/QNetworkTransport.h"
#include "notifications/NotificationRouter.h"
#include "platform/QSettingsStore.h"

#include <memory>

namespace vesk::test {

/// What an application state needs to run against the Google stand-in: a
/// throwaway settings file and cache, the test keyring, a browser that
/// follows the consent, and a recording poster.
struct AppRig
{
    TestRig rig;
    std::shared_ptr<QSettingsStore> settings = rig.settings();
    std::shared_ptr<OAuthConfig> config = rig.config();
    std::shared_ptr<RecordingNotificationPoster> poster = rig.poster();
    std::shared_ptr<TestBrowser> browser = std::make_shared<TestBrowser>();

    fakegoogle::FakeGoogle& google() { return rig.google(); }

    AppServices services()
    {
        AppServices result;
        result.settings = settings;
        result.sessions = rig.sessionServices();
        result.browser = browser;
        result.router = std::make_shared<NotificationRouter>();
        return result;
    }

    void configureClient()
    {
        config->setClientId(QStringLiteral("cid"));
        config->setClientSecret(QStringLiteral("segredo"));
    }

    void unconfigureClient()
    {
        config->setClientId(QString());
        config->setClientSecret(QString());
    }

    /// An account linked in an earlier run, with fresh tokens.
    void linkDirectly(const QString& email, const QString& name)
    {
        google().addAccount(email, name);
        TokenVault(email, config, std::make_shared<QNetworkTransport>(), rig.oauthEndpoints())
            .saveTokenSet(rig.tokensFor(email));
        AccountRegistry registry(settings);
        registry.load();
        registry.upsert(AccountIdentity{email, name});
    }
};

} // namespace vesk::test
