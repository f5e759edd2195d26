#include "ui/window/MainActions.h"

#include "ui/style/Icons.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <optional>

namespace vesk {

namespace {

QAction* action(const QString& text, std::optional<Symbol> symbol, QObject* parent)
{
    auto* result = new QAction(text, parent);
    if (symbol)
        result->setIcon(Icons::icon(*symbol));
    return result;
}

} // namespace

MainActions::MainActions(QWidget* window)
    : QObject(window)
    , m_compose(action(tr("Nova mensagem"), Symbol::Compose, this))
    , m_refresh(action(tr("Atualizar"), Symbol::Refresh, this))
    , m_search(action(tr("Pesquisar no Gmail"), Symbol::Search, this))
    , m_undo(action(tr("Desfazer"), std::nullopt, this))
    , m_accounts(action(tr("Gerir contas"), Symbol::AddAccount, this))
    , m_settings(action(tr("Definições…"), std::nullopt, this))
    , m_checkForUpdates(action(tr("Buscar atualizações…"), std::nullopt, this))
    , m_quit(action(tr("Sair"), std::nullopt, this))
{
    m_compose->setShortcut(QKeySequence::New);
    // F5 is the refresh key of most Linux programs, Ctrl+R that of mail clients.
    m_refresh->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});
    // A text field that has the focus takes "/" as text before any shortcut.
    m_search->setShortcuts({QKeySequence::Find, QKeySequence(Qt::Key_Slash)});
    // A text field with the focus keeps Ctrl+Z for its own text.
    m_undo->setShortcut(QKeySequence::Undo);
    m_undo->setEnabled(false);
    // Most Linux desktops bind no key to Preferences, and Fusion's menu bar
    // cannot be reached from the keyboard: Ctrl+, is what GNOME programs use.
    QList<QKeySequence> preferences = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (preferences.isEmpty())
        preferences.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settings->setShortcuts(preferences);
    m_settings->setMenuRole(QAction::PreferencesRole);
    m_checkForUpdates->setMenuRole(QAction::ApplicationSpecificRole);
    m_quit->setShortcut(QKeySequence::Quit);
    m_quit->setMenuRole(QAction::QuitRole);
    window->addActions({m_compose, m_refresh, m_search, m_undo, m_accounts, m_settings,
                        m_checkForUpdates, m_quit});
    setAccountCommandsEnabled(false);
}

void MainActions::setAccountCommandsEnabled(bool enabled)
{
    m_compose->setEnabled(enabled);
    m_refresh->setEnabled(enabled);
}

void MainActions::fillMenuBar(QMenuBar* bar) const
{
    QMenu* application = bar->addMenu(QStringLiteral("VESK"));
    application->addAction(m_checkForUpdates);
    application->addSeparator();
    application->addAction(m_settings);
    application->addSeparator();
    application->addAction(m_quit);

    QMenu* file = bar->addMenu(tr("Ficheiro"));
    file->addAction(m_compose);

    QMenu* account = bar->addMenu(tr("Conta"));
    account->addAction(m_undo);
    account->addSeparator();
    account->addAction(m_refresh);
    account->addAction(m_search);
    account->addSeparator();
    account->addAction(m_accounts);
}

} // namespace vesk
