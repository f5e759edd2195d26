#include "ui/threadlist/ThreadActionsMenu.h"

#include "app/AppState.h"
#include "model/SystemLabels.h"
#include "sync/AccountSession.h"
#include "ui/style/Icons.h"
#include "ui/widgets/FireAndForget.h"

#include <QPointer>

#include <algorithm>

namespace vesk {

namespace {

const QString s_userType = QStringLiteral("user");

bool hasLabel(const ThreadSummary& thread, const QString& labelId)
{
    return !thread.messages.isEmpty() && thread.latest().hasLabel(labelId);
}

} // namespace

ThreadActionsMenu::ThreadActionsMenu(AppState& state, ThreadSummary thread, QWidget* parent)
    : QMenu(parent)
    , m_state(state)
    , m_thread(std::move(thread))
{
    if (!m_state.selectedSession())
        return;
    const bool unread = !m_thread.messages.isEmpty() && m_thread.isUnread();
    QAction* read = addAction(Icons::icon(unread ? Symbol::MarkRead : Symbol::MarkUnread),
                              unread ? tr("Marcar como lida") : tr("Marcar como não lida"));
    connect(read, &QAction::triggered, this, [this] { toggleRead(m_state, m_thread); });

    QAction* archiving = addAction(Icons::icon(Symbol::Archive), tr("Arquivar"));
    connect(archiving, &QAction::triggered, this, [this] { archive(m_state, m_thread.threadId); });

    addLabelsMenu();
    addSeparator();

    // In the trash, the way out of it instead.
    const bool inTrash =
        std::any_of(m_thread.messages.cbegin(), m_thread.messages.cend(),
                    [](const MessageSummary& m) { return m.hasLabel(SystemLabels::trash()); });
    if (inTrash) {
        QAction* restoring =
            addAction(Icons::icon(Symbol::Inbox), tr("Mover para a caixa de entrada"));
        connect(restoring, &QAction::triggered, this,
                [this] { fireAndForget(m_state.moveToInbox(QStringList(m_thread.threadId))); });
        return;
    }
    QAction* trashing = addAction(Icons::icon(Symbol::Trash), tr("Mover para a lixeira"));
    connect(trashing, &QAction::triggered, this, [this] { trash(m_state, m_thread.threadId); });
}

void ThreadActionsMenu::addLabelsMenu()
{
    QMenu* labels = addMenu(Icons::icon(Symbol::Label), tr("Etiquetas"));
    QPointer<AccountSession> session = m_state.selectedSession();
    for (const LabelInfo& label : session->labels()) {
        if (label.type != s_userType)
            continue;
        const bool applied = hasLabel(m_thread, label.id);
        QAction* action =
            labels->addAction(Icons::icon(applied ? Symbol::Check : Symbol::Label), label.name);
        // The menu may outlive a rebuild of the sessions or a switch of
        // account: act only while the labels' account is still the one shown.
        connect(action, &QAction::triggered, this,
                [this, session, threadId = m_thread.threadId, labelId = label.id, applied] {
                    if (session && session == m_state.selectedSession())
                        fireAndForget(m_state.setLabel(QStringList(threadId), labelId, !applied));
                });
    }
    if (labels->isEmpty())
        labels->addAction(tr("Sem etiquetas tuas"))->setEnabled(false);
}

void ThreadActionsMenu::toggleRead(AppState& state, const ThreadSummary& thread)
{
    const bool unread = !thread.messages.isEmpty() && thread.isUnread();
    fireAndForget(state.setRead(QStringList(thread.threadId), unread));
}

void ThreadActionsMenu::archive(AppState& state, const QString& threadId)
{
    fireAndForget(state.archive(QStringList(threadId)));
}

void ThreadActionsMenu::trash(AppState& state, const QString& threadId)
{
    fireAndForget(state.trash(QStringList(threadId)));
}

} // namespace vesk
