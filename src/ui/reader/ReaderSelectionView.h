#pragma once

#include "model/ThreadSummary.h"
#include "ui/style/Symbol.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace vesk {

class AppState;
class PillButton;

/// The reading column while several conversations are selected: how many,
/// and the actions that take them all at once as buttons ("Arquivar", read
/// state, the star, then spam, the trash or the way back to the inbox as
/// fits where they are). Follows the state's selection and its threads;
/// holds no copy of them. GUI thread only; the state must outlive it.
class ReaderSelectionView final : public QWidget
{
    Q_OBJECT

public:
    explicit ReaderSelectionView(AppState& state, QWidget* parent = nullptr);

    /// "3 conversas selecionadas".
    QString title() const;
    /// The buttons shown now, top down.
    QList<PillButton*> shownButtons() const;
    /// The selected conversations that the list shows, in its order.
    static QList<ThreadSummary> selectedThreads(const AppState& state);

    /// Brings the count and the buttons in line with the selection.
    void refresh();

private:
    PillButton* addButton(Symbol symbol, void (ReaderSelectionView::*act)());
    void archive();
    void toggleRead();
    void toggleStar();
    void toggleSpam();
    void moveToInbox();
    void trash();
    QStringList selectedIds() const;

    AppState& m_state;
    QLabel* m_title;
    QList<PillButton*> m_buttons;
    PillButton* m_archive;
    PillButton* m_read;
    PillButton* m_star;
    PillButton* m_spam;
    PillButton* m_inbox;
    PillButton* m_trash;
};

} // namespace vesk
