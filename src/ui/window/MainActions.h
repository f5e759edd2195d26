#pragma once

#include <QObject>

class QAction;
class QMenuBar;
class QWidget;

namespace vesk {

/// The main window's commands, shared by its menus, its toolbar and the
/// keyboard: one QAction per command, so that a shortcut, a menu entry and a
/// toolbar button are enabled and disabled together. Owns no behaviour; the
/// window connects what each command does. GUI thread only.
class MainActions final : public QObject
{
    Q_OBJECT

public:
    /// Creates the actions and adds them to `window`, so that their shortcuts
    /// work in every part of it.
    explicit MainActions(QWidget* window);

    QAction* compose() const { return m_compose; }
    QAction* refresh() const { return m_refresh; }
    QAction* search() const { return m_search; }
    /// Takes back the last change to conversations, while one is offered.
    QAction* undo() const { return m_undo; }
    QAction* accounts() const { return m_accounts; }
    QAction* settings() const { return m_settings; }
    QAction* checkForUpdates() const { return m_checkForUpdates; }
    QAction* quit() const { return m_quit; }

    /// The commands that act on an account are enabled only while there is
    /// a selected session, so they never run without one.
    void setAccountCommandsEnabled(bool enabled);

    /// The application, "Ficheiro" and "Conta" menus; "Desfazer" opens "Conta".
    void fillMenuBar(QMenuBar* bar) const;

private:
    QAction* m_compose;
    QAction* m_refresh;
    QAction* m_search;
    QAction* m_undo;
    QAction* m_accounts;
    QAction* m_settings;
    QAction* m_checkForUpdates;
    QAction* m_quit;
};

} // namespace vesk
