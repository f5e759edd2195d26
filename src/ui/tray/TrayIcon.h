#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace vesk {

class AppState;

/// The icon in the desktop's tray while the program runs: the application
/// icon with the unread total of every inbox as a badge and in the tooltip,
/// and a menu to open the window, write, sync and quit. It only asks, through
/// its signals; the program's composition decides what each request does.
/// Follows the sessions of `state` as they come and go. GUI thread only.
class TrayIcon final : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(AppState& state, QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon& icon() const { return *m_icon; }
    QMenu& menu() const { return *m_menu; }
    QAction* openAction() const { return m_open; }
    QAction* composeAction() const { return m_compose; }
    QAction* refreshAction() const { return m_refresh; }
    QAction* quitAction() const { return m_quit; }
    /// The total the icon shows.
    qint64 unread() const { return m_unread; }

    /// A passing message from the icon, through the desktop's notifications.
    void showNotice(const QString& title, const QString& text);

Q_SIGNALS:
    /// "Abrir VESK", or a click on the icon.
    void openRequested();
    void composeRequested();
    void refreshRequested();
    void quitRequested();

private:
    void followSessions();
    void updateUnread();

    AppState& m_state;
    const std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon;
    QAction* m_open;
    QAction* m_compose;
    QAction* m_refresh;
    QAction* m_quit;
    QList<QMetaObject::Connection> m_sessionConnections;
    qint64 m_unread = -1;
};

} // namespace vesk
