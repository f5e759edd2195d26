#include "ui/tray/TrayIcon.h"

#include "app/AppState.h"
#include "sync/AccountSession.h"
#include "ui/style/Icons.h"
#include "ui/tray/TrayBadge.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace vesk {

TrayIcon::TrayIcon(AppState& state, QObject* parent)
    : QObject(parent)
    , m_state(state)
    , m_menu(std::make_unique<QMenu>())
    , m_icon(new QSystemTrayIcon(this))
    , m_open(m_menu->addAction(tr("Abrir VESK")))
    , m_compose(m_menu->addAction(tr("Escrever")))
    , m_refresh(m_menu->addAction(tr("Atualizar")))
    , m_quit(nullptr)
{
    m_menu->addSeparator();
    m_quit = m_menu->addAction(tr("Sair"));
    connect(m_open, &QAction::triggered, this, &TrayIcon::openRequested);
    connect(m_compose, &QAction::triggered, this, &TrayIcon::composeRequested);
    connect(m_refresh, &QAction::triggered, this, &TrayIcon::refreshRequested);
    connect(m_quit, &QAction::triggered, this, &TrayIcon::quitRequested);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // The menu has its own button; a plain or double click opens.
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    Q_EMIT openRequested();
            });
    m_icon->setContextMenu(m_menu.get());
    connect(&m_state, &AppState::sessionsChanged, this, &TrayIcon::followSessions);
    followSessions();
    m_icon->show();
}

TrayIcon::~TrayIcon()
{
    // The tray lets go of the menu before the menu goes.
    m_icon->setContextMenu(nullptr);
}

void TrayIcon::showNotice(const QString& title, const QString& text)
{
    m_icon->showMessage(title, text, Icons::applicationIcon());
}

void TrayIcon::followSessions()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_sessionConnections))
        disconnect(connection);
    m_sessionConnections.clear();
    // Each sync brings the labels, and with them the inbox's unread count.
    for (AccountSession* session : m_state.sessions())
        m_sessionConnections.append(
            connect(session, &AccountSession::labelsChanged, this, &TrayIcon::updateUnread));
    const bool anyAccount = !m_state.sessions().isEmpty();
    m_compose->setEnabled(anyAccount);
    m_refresh->setEnabled(anyAccount);
    updateUnread();
}

void TrayIcon::updateUnread()
{
    const qint64 unread = m_state.unreadInAllInboxes();
    if (unread == m_unread)
        return;
    m_unread = unread;
    m_icon->setIcon(TrayBadge::icon(Icons::applicationIcon(), unread));
    m_icon->setToolTip(TrayBadge::toolTip(unread));
}

} // namespace vesk
