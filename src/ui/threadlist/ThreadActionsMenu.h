#pragma once

#include "model/ThreadSummary.h"

#include <QList>
#include <QMenu>
#include <QStringList>

namespace vesk {

class AppState;

/// The context menu of the conversations chosen in the list, one or
/// several: read state, "Arquivar", the star, the "Etiquetas" submenu, spam
/// and "Mover para a lixeira" (the way back to the inbox for those in the
/// trash or the spam), acting on all of them at once through the selected
/// account's session. Empty while no account is selected. Built for one
/// opening: it copies the threads as they were when the menu was asked for.
///
/// The same actions back the list's keys, through the static operations.
/// GUI thread only; the state must outlive the menu.
class ThreadActionsMenu final : public QMenu
{
    Q_OBJECT

public:
    ThreadActionsMenu(AppState& state, QList<ThreadSummary> threads, QWidget* parent = nullptr);

    /// Marks them read while any is unread, unread otherwise.
    static void toggleRead(AppState& state, const QList<ThreadSummary>& threads);
    /// Stars them unless all are starred; then takes the stars off.
    static void toggleStar(AppState& state, const QList<ThreadSummary>& threads);
    static void archive(AppState& state, const QList<ThreadSummary>& threads);
    static void trash(AppState& state, const QList<ThreadSummary>& threads);

private:
    void addLabelsMenu();
    void addWayOut();

    AppState& m_state;
    const QList<ThreadSummary> m_threads;
    const QStringList m_ids;
};

} // namespace vesk
