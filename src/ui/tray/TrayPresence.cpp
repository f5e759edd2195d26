#include "ui/tray/TrayPresence.h"

#include "platform/SettingsStore.h"
#include "ui/tray/TrayIcon.h"

#include <QDBusServiceWatcher>
#include <QSystemTrayIcon>

namespace vesk {

namespace {

/// Where StatusNotifierItem hosts (the panels' trays) are announced.
const QString trayWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

} // namespace

TrayPresence::TrayPresence(AppState& state, std::shared_ptr<SettingsStore> settings,
                           QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_settings(std::move(settings))
    , m_watcher(
          new QDBusServiceWatcher(trayWatcher, bus, QDBusServiceWatcher::WatchForOwnerChange, this))
{
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayPresence::followTray);
    followTray();
}

TrayPresence::~TrayPresence() = default;

void TrayPresence::followTray()
{
    const bool wasAvailable = isAvailable();
    // A new watcher knows nothing of the icon registered with the last one:
    // a new icon registers with it.
    m_icon.reset();
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_icon = std::make_unique<TrayIcon>(m_state);
        connect(m_icon.get(), &TrayIcon::openRequested, this, &TrayPresence::openRequested);
        connect(m_icon.get(), &TrayIcon::composeRequested, this, &TrayPresence::composeRequested);
        connect(m_icon.get(), &TrayIcon::refreshRequested, this, &TrayPresence::refreshRequested);
        connect(m_icon.get(), &TrayIcon::quitRequested, this, &TrayPresence::quitRequested);
    }
    if (isAvailable() != wasAvailable)
        Q_EMIT availabilityChanged(isAvailable());
}

void TrayPresence::noteClosedToBackground()
{
    if (!m_icon || (m_settings && m_settings->text(noticeKey()).has_value()))
        return;
    m_icon->showNotice(tr("O VESK continua aberto"),
                       tr("Fechar a janela não fecha o VESK: continua a sincronizar e a avisar "
                          "de correio novo. Abre-o de novo pelo ícone na área de notificação; "
                          "para sair, escolhe Sair no menu desse ícone."));
    if (m_settings)
        m_settings->setText(noticeKey(), QStringLiteral("true"));
}

} // namespace vesk
