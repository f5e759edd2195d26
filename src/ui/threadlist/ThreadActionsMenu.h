#pragma once

#include "model/ThreadSummary.h"

#include <QMenu>

namespace vesk {

class AppState;

/// The context menu of one conversation: read state, "Arquivar", the
/// "Etiquetas" submenu and "Mover para a lixeira", acting on the selected
/// account's session. Empty while no account is selected. Built for one
/// opening: it copies the thread as it was when the menu was asked for.
///
/// The same actions back the list's keys, through the static operations.
/// GUI thread only; the state must outlive the menu.
class ThreadActionsMenu final : public QMenu
{
    Q_OBJECT

public:
    ThreadActionsMenu(AppState& state, ThreadSummary thread, QWidget* parent = nullptr);

    /// Marks the thread read when it is unread, unread otherwise.
    static void toggleRead(AppState& state, const ThreadSummary& thread);
    static void archive(AppState& state, const QString& threadId);
    static void trash(AppState& state, const QString& threadId);

private:
    void addLabelsMenu();

    AppState& m_state;
    const ThreadSummary m_thread;
};

} // namespace vesk
