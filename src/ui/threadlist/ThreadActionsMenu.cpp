#include "ui/threadlist/ThreadActionsMenu.h"

#include "app/AppState.h"
#include "sync/AccountSession.h"
#include "ui/style/Icons.h"
#include "ui/widgets/FireAndForget.h"

#include <QPointer>

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
    QAction* read = addAction(
        Icons::icon(unread ? QStringLiteral("envelope.open") : QStringLiteral("envelope.badge")),
        unread ? QStringLiteral("Marcar como lida") : QStringLiteral("Marcar como não lida"));
    connect(read, &QAction::triggered, this, [this] { toggleRead(m_state, m_thread); });

    QAction* archiving =
        addAction(Icons::icon(QStringLiteral("archivebox")), QStringLiteral("Arquivar"));
    connect(archiving, &QAction::triggered, this, [this] { archive(m_state, m_thread.threadId); });

    addLabelsMenu();
    addSeparator();

    QAction* trashing =
        addAction(Icons::icon(QStringLiteral("trash")), QStringLiteral("Mover para a lixeira"));
    connect(trashing, &QAction::triggered, this, [this] { trash(m_state, m_thread.threadId); });
}

void ThreadActionsMenu::addLabelsMenu()
{
    QMenu* labels = addMenu(Icons::icon(QStringLiteral("tag")), QStringLiteral("Etiquetas"));
    QPointer<AccountSession> session = m_state.selectedSession();
    for (const LabelInfo& label : session->labels()) {
        if (label.type != s_userType)
            continue;
        const bool applied = hasLabel(m_thread, label.id);
        QAction* action = labels->addAction(
            Icons::icon(applied ? QStringLiteral("checkmark") : QStringLiteral("tag")), label.name);
        // The menu may outlive a rebuild of the sessions: act on the session
        // the labels came from, and only while it exists.
        connect(action, &QAction::triggered, this,
                [session, threadId = m_thread.threadId, labelId = label.id, applied] {
                    if (session)
                        fireAndForget(session->setLabel(threadId, labelId, !applied));
                });
    }
    if (labels->isEmpty())
        labels->addAction(QStringLiteral("Sem etiquetas tuas"))->setEnabled(false);
}

void ThreadActionsMenu::toggleRead(AppState& state, const ThreadSummary& thread)
{
    if (AccountSession* session = state.selectedSession()) {
        const bool unread = !thread.messages.isEmpty() && thread.isUnread();
        fireAndForget(session->toggleReadThread(thread.threadId, !unread));
    }
}

void ThreadActionsMenu::archive(AppState& state, const QString& threadId)
{
    if (AccountSession* session = state.selectedSession())
        fireAndForget(session->archiveThread(threadId));
}

void ThreadActionsMenu::trash(AppState& state, const QString& threadId)
{
    if (AccountSession* session = state.selectedSession())
        fireAndForget(session->trashThread(threadId));
}

} // namespace vesk
