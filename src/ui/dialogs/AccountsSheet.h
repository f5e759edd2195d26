#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QVBoxLayout;

namespace vesk {

class AccountCard;
class AppState;
class PillButton;

/// The accounts sheet over the main window: one card per linked account with
/// its notification switch and "Remover" (which asks first), linking another
/// account with the wait for the browser and its cancel, the last linking
/// error, and "Concluir". Window-modal; Esc closes it. Reads and changes only the
/// application state. GUI thread only.
class AccountsSheet final : public QDialog
{
    Q_OBJECT

public:
    AccountsSheet(AppState& state, QWidget* parent);

private:
    QWidget* buildLinkArea();
    void refreshCards();
    void refreshLinking();
    void cancelLinking();
    void removeAccount(const QString& email);

    AppState& m_state;
    QLabel* m_notice = nullptr;
    QVBoxLayout* m_cardsLayout = nullptr;
    QList<AccountCard*> m_cards;
    QWidget* m_waiting = nullptr;
    PillButton* m_link = nullptr;
    QLabel* m_linkError = nullptr;
};

} // namespace vesk
