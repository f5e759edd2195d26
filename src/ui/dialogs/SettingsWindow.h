#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QVBoxLayout;

namespace vesk {

class AppState;
class Autostart;
class OAuthConfig;

/// The settings window: the user's own Google OAuth client (saved into the
/// configuration, with its status), what notifications are and a way to ask
/// for them again, the privacy note with the room given to conversations
/// kept for reading offline (applied as it changes), starting with the
/// session (written at once to the session's autostart folder), and the
/// about block.
/// Fixed in size. The fields are filled from what is stored each time it
/// opens. GUI thread only.
class SettingsWindow final : public QWidget
{
    Q_OBJECT

public:
    /// Without `autostart`, starting with the session is not offered.
    SettingsWindow(AppState& state, std::shared_ptr<OAuthConfig> config,
                   std::shared_ptr<const Autostart> autostart = nullptr, QWidget* parent = nullptr);

    /// Writes the two fields to the configuration and shows "Guardado".
    void save();

Q_SIGNALS:
    /// "Pedir permissão de notificações": the composition asks the
    /// notification service again (a widget does no bus work itself).
    void notificationPermissionRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildClientSection();
    QWidget* buildNotificationSection();
    QWidget* buildPrivacySection();
    QWidget* buildStartSection();
    void setStartsWithSession(bool starts);
    QWidget* section(const QString& title, QVBoxLayout*& body);
    void loadStored();
    void refreshStatus();

    AppState& m_state;
    const std::shared_ptr<OAuthConfig> m_config;
    const std::shared_ptr<const Autostart> m_autostart;
    QLineEdit* m_clientId = nullptr;
    QLineEdit* m_clientSecret = nullptr;
    QLabel* m_savedNote = nullptr;
    QLabel* m_status = nullptr;
    QSpinBox* m_offlineLimit = nullptr;
    QCheckBox* m_startWithSession = nullptr;
    QLabel* m_startError = nullptr;
};

} // namespace vesk
