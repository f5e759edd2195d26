#pragma once

#include <QDBusConnection>
#include <QObject>

#include <memory>

class QDBusServiceWatcher;

namespace vesk {

class AppState;
class SettingsStore;
class TrayIcon;

/// Whether the desktop has a tray for the program to live in once its window
/// is closed, and the icon there while it does. Linux trays are
/// StatusNotifierItem hosts found through the watcher's name on the session
/// bus; a panel that starts after the program, restarts or goes away is
/// followed, the icon made again for each new watcher. Also says, once ever,
/// that a closed window leaves the program running. GUI thread only.
class TrayPresence final : public QObject
{
    Q_OBJECT

public:
    /// `bus` is the session bus the desktop's tray watcher would be on;
    /// `settings` remembers that the notice was given.
    TrayPresence(AppState& state, std::shared_ptr<SettingsStore> settings, QDBusConnection bus,
                 QObject* parent = nullptr);
    ~TrayPresence() override;

    /// The icon is in the tray: closing the window may leave the program running.
    bool isAvailable() const { return m_icon != nullptr; }
    /// Null while no tray is available.
    TrayIcon* icon() const { return m_icon.get(); }

    /// The window was closed and the program goes on: the first time ever,
    /// a notice from the icon says so and where to find it.
    void noteClosedToBackground();

    /// The settings key remembering that the notice was given.
    static QString noticeKey() { return QStringLiteral("backgroundNoticeGiven"); }

Q_SIGNALS:
    /// A tray appeared or went away.
    void availabilityChanged(bool available);
    // The icon's requests, whichever icon is current.
    void openRequested();
    void composeRequested();
    void refreshRequested();
    void quitRequested();

private:
    void followTray();

    AppState& m_state;
    const std::shared_ptr<SettingsStore> m_settings;
    QDBusServiceWatcher* m_watcher;
    std::unique_ptr<TrayIcon> m_icon;
};

} // namespace vesk
