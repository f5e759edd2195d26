#include "ui/threadlist/ThreadActionsMenu.h"

#include "app/AppState.h"
#include "model/ThreadFacts.h"
#include "sync/AccountSession.h"
#include "ui/style/Icons.h"
#include "ui/widgets/FireAndForget.h"

#include <QPointer>
#include <QSet>

#include <algorithm>

namespace vesk {

namespace {

const QString s_userType = QStringLiteral("user");

QStringList idsOf(const QList<ThreadSummary>& threads)
{
    QStringList ids;
    ids.reserve(threads.size());
    for (const ThreadSummary& thread : threads)
        ids.append(thread.threadId);
    return ids;
}

/// A label counts as on a conversation when its newest message has it, and
/// as on several when it is on all of them: the entry then takes it off.
bool allHaveLabel(const QList<ThreadSummary>& threads, const QString& labelId)
{
    return !threads.isEmpty() &&
           std::all_of(threads.cbegin(), threads.cend(), [&](const ThreadSummary& thread) {
               return !thread.messages.isEmpty() && thread.latest().hasLabel(labelId);
           });
}

} // namespace

ThreadActionsMenu::ThreadActionsMenu(AppState& state, QList<ThreadSummary> threads, QWidget* parent)
    : QMenu(parent)
    , m_state(state)
    , m_threads(std::move(threads))
    , m_ids(idsOf(m_threads))
{
    if (!m_state.selectedSession() || m_threads.isEmpty())
        return;
    const ThreadFacts facts = ThreadFacts::of(m_threads);
    QAction* read =
        addAction(Icons::icon(facts.anyUnread ? Symbol::MarkRead : Symbol::MarkUnread),
                  facts.anyUnread ? tr("Marcar como lida") : tr("Marcar como não lida"));
    connect(read, &QAction::triggered, this, [this] { toggleRead(m_state, m_threads); });

    QAction* archiving = addAction(Icons::icon(Symbol::Archive), tr("Arquivar"));
    connect(archiving, &QAction::triggered, this, [this] { archive(m_state, m_threads); });

    QAction* star =
        addAction(Icons::icon(facts.allStarred ? Symbol::Starred : Symbol::StarredFilled),
                  facts.allStarred ? tr("Remover estrela") : tr("Marcar com estrela"));
    connect(star, &QAction::triggered, this, [this] { toggleStar(m_state, m_threads); });

    addLabelsMenu();
    addSeparator();
    addWayOut();
}

void ThreadActionsMenu::addWayOut()
{
    const ThreadFacts facts = ThreadFacts::of(m_threads);
    if (facts.inSpam) {
        QAction* notSpam = addAction(Icons::icon(Symbol::Spam), tr("Não é spam"));
        connect(notSpam, &QAction::triggered, this,
                [this] { fireAndForget(m_state.setSpam(m_ids, false)); });
    } else if (!facts.inTrash) {
        QAction* spam = addAction(Icons::icon(Symbol::Spam), tr("Marcar como spam"));
        connect(spam, &QAction::triggered, this,
                [this] { fireAndForget(m_state.setSpam(m_ids, true)); });
    }
    if (facts.inTrash || facts.inSpam) {
        QAction* back = addAction(Icons::icon(Symbol::Inbox), tr("Mover para a caixa de entrada"));
        connect(back, &QAction::triggered, this,
                [this] { fireAndForget(m_state.moveToInbox(m_ids)); });
    }
    // In the trash already, the way out of it is the one offered.
    if (!facts.inTrash) {
        QAction* trashing = addAction(Icons::icon(Symbol::Trash), tr("Mover para a lixeira"));
        connect(trashing, &QAction::triggered, this, [this] { trash(m_state, m_threads); });
    }
}

void ThreadActionsMenu::addLabelsMenu()
{
    QMenu* labels = addMenu(Icons::icon(Symbol::Label), tr("Etiquetas"));
    // Each account has labels of its own: conversations of several share none.
    QSet<QString> accounts;
    for (const ThreadSummary& thread : std::as_const(m_threads))
        accounts.insert(thread.accountId);
    if (accounts.size() > 1) {
        labels->addAction(tr("Conversas de contas diferentes"))->setEnabled(false);
        return;
    }
    QPointer<AccountSession> session = m_state.selectedSession();
    for (AccountSession* each : m_state.sessions()) {
        if (each->id() == *accounts.cbegin())
            session = each;
    }
    const QString shownAccount = m_state.selectedAccountId();
    for (const LabelInfo& label : session->labels()) {
        if (label.type != s_userType)
            continue;
        const bool applied = allHaveLabel(m_threads, label.id);
        QAction* action =
            labels->addAction(Icons::icon(applied ? Symbol::Check : Symbol::Label), label.name);
        // The menu may outlive a rebuild of the sessions or a switch of
        // account: act only while the same list is still the one shown.
        connect(action, &QAction::triggered, this,
                [this, session, shownAccount, labelId = label.id, applied] {
                    if (session && shownAccount == m_state.selectedAccountId())
                        fireAndForget(m_state.setLabel(m_ids, labelId, !applied));
                });
    }
    if (labels->isEmpty())
        labels->addAction(tr("Sem etiquetas tuas"))->setEnabled(false);
}

void ThreadActionsMenu::toggleRead(AppState& state, const QList<ThreadSummary>& threads)
{
    fireAndForget(state.setRead(idsOf(threads), ThreadFacts::of(threads).anyUnread));
}

void ThreadActionsMenu::toggleStar(AppState& state, const QList<ThreadSummary>& threads)
{
    fireAndForget(state.setStarred(idsOf(threads), !ThreadFacts::of(threads).allStarred));
}

void ThreadActionsMenu::archive(AppState& state, const QList<ThreadSummary>& threads)
{
    fireAndForget(state.archive(idsOf(threads)));
}

void ThreadActionsMenu::trash(AppState& state, const QList<ThreadSummary>& threads)
{
    fireAndForget(state.trash(idsOf(threads)));
}

} // namespace vesk
