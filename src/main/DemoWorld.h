#pragma once

#include "app/AppServices.h"

#include <QCoroTask>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <memory>

namespace vesk {

class AppState;
class DemoBrowser;
class OAuthConfig;
class QSettingsStore;
class SettingsStore;
struct WindowSlot;
namespace fakegoogle {
class FakeGoogle;
}

/// Everything the demo runs against instead of the user's own world: a
/// Google (the stand-in on 127.0.0.1 with the demo mailboxes, or a server
/// already running that answers as Google does) and a profile of its own (a
/// settings file and a data folder, throwaway in a temporary folder unless
/// one is named to keep across runs; the secrets always in memory) so that
/// the user's keyring, settings and mail are never read or written. The
/// OAuth client is configured from the start.
/// Lives for the whole demo, on the GUI thread.
class DemoWorld final
{
public:
    struct Options
    {
        /// A running Google-compatible server; empty starts the stand-in.
        QUrl google;
        /// The OAuth client registered there; empty: the demo's own.
        QString clientId;
        QString clientSecret;
        std::chrono::milliseconds syncInterval = std::chrono::seconds(60);
        /// A folder for the profile to live in and stay after the demo;
        /// empty: a temporary one, removed at the end.
        QString profile;
    };

    explicit DemoWorld(Options options);
    ~DemoWorld();

    /// Why the demo cannot start (the stand-in could not listen, the folder
    /// not be made, the address is not usable); empty when it can.
    QString problem() const { return m_problem; }
    /// The application's services, pointed at the server and the profile.
    AppServices services(std::shared_ptr<WindowSlot> window);
    std::shared_ptr<OAuthConfig> oauthConfig() const { return m_config; }
    std::shared_ptr<SettingsStore> settings() const;
    /// The profile's folder: the one named, or a temporary one removed when
    /// the demo ends.
    QString profileFolder() const;

    /// The accounts the consent page can sign in: the demo mailboxes.
    static QStringList consentAccounts();
    /// Links `accounts` through the ordinary OAuth flow, one after the
    /// other, each asked for with a login hint, and prints the account the
    /// server actually signed in. Never fails: an error is the state's link
    /// error, as for any link.
    QCoro::Task<> linkAccounts(QPointer<AppState> state, QStringList accounts);
    /// New mail every minute, to the demo accounts in turn; only the
    /// stand-in of the demo itself can be told to deliver.
    void startArrivals();
    /// Takes the stand-in off the network and brings it back on the same
    /// port, to show the program without a connection; false when there is
    /// no stand-in of the demo's own or it could not listen again.
    bool setGoogleReachable(bool reachable);
    /// The next list of messages is answered a few seconds late, to show the
    /// list loading older conversations; false without a stand-in of the
    /// demo's own.
    bool holdNextListing();

private:
    OAuthEndpoints oauthEndpoints() const;
    GmailEndpoints gmailEndpoints() const;
    QUrl at(const QString& path) const;

    std::unique_ptr<fakegoogle::FakeGoogle> m_google;
    QUrl m_base;
    std::chrono::milliseconds m_syncInterval;
    std::unique_ptr<QTemporaryDir> m_throwaway;
    QString m_profile;
    std::shared_ptr<QSettingsStore> m_settings;
    std::shared_ptr<OAuthConfig> m_config;
    std::shared_ptr<DemoBrowser> m_browser;
    QTimer m_arrivals;
    int m_arrived = 0;
    QString m_problem;
};

} // namespace vesk
