#pragma once

#include "app/AppServices.h"

#include <QCoroTask>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace vesk {

class AppState;
class OAuthConfig;
class QSettingsStore;
class SettingsStore;
struct WindowSlot;
namespace fakegoogle {
class FakeGoogle;
}

/// Everything the demo runs against instead of the user's own world: the
/// Google stand-in on 127.0.0.1 with the demo mailboxes, and a throwaway
/// profile (a settings file and a cache folder in a temporary folder, the
/// secrets in memory) so that the user's keyring, settings and mail are never
/// read or written. The demo OAuth client is configured from the start.
/// Lives for the whole demo, on the GUI thread.
class DemoWorld final
{
public:
    DemoWorld();
    ~DemoWorld();

    /// False when the stand-in could not listen or the folder not be made.
    bool isReady() const { return m_ready; }
    /// The application's services, pointed at the stand-in and the profile.
    AppServices services(std::shared_ptr<WindowSlot> window) const;
    std::shared_ptr<OAuthConfig> oauthConfig() const { return m_config; }
    std::shared_ptr<SettingsStore> settings() const;
    /// The throwaway profile's folder, removed when the demo ends.
    QString profileFolder() const;

    /// Links the stand-in's two demo accounts through the ordinary OAuth
    /// flow, one after the other. Never fails: an error is the state's
    /// link error, as for any link.
    QCoro::Task<> linkDemoAccounts(QPointer<AppState> state);
    /// New mail every minute, to the demo accounts in turn.
    void startArrivals();

private:
    std::unique_ptr<fakegoogle::FakeGoogle> m_google;
    QTemporaryDir m_profile;
    std::shared_ptr<QSettingsStore> m_settings;
    std::shared_ptr<OAuthConfig> m_config;
    QTimer m_arrivals;
    int m_arrived = 0;
    bool m_ready = false;
};

} // namespace vesk
