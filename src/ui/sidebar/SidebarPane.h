#pragma once

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class QListView;
class QModelIndex;

namespace vesk {

class AccountListModel;
class AccountSession;
class AppState;
class BusySpinner;
class LabelListModel;
class PillButton;

/// The first column of the main window: the linked accounts with their
/// unread capsules and "Gerir contas", the labels of the selected account,
/// and below them whether the selected account is syncing and its last
/// error, with "Ligar de novo" when only linking the account again helps.
/// Picking an account keeps the label and makes sure it is loaded there;
/// picking a label leaves the search and the open thread. GUI thread only.
class SidebarPane final : public QWidget
{
    Q_OBJECT

public:
    explicit SidebarPane(AppState& state, QWidget* parent = nullptr);
    ~SidebarPane() override;

Q_SIGNALS:
    /// "Gerir contas" was chosen: the window opens the accounts sheet.
    void manageAccountsRequested();

private:
    QListView* makeList(const QString& name);
    QLabel* sectionTitle(const QString& text);
    QWidget* buildStatus();
    void onAccountActivated(const QModelIndex& index);
    void onLabelActivated(const QModelIndex& index);
    void fitAccountsHeight();
    void followSelectedSession();
    void refreshStatus();

    AppState& m_state;
    AccountListModel* m_accountModel;
    LabelListModel* m_labelModel;
    QListView* m_accounts = nullptr;
    QListView* m_labels = nullptr;
    PillButton* m_manage = nullptr;
    QWidget* m_syncRow = nullptr;
    BusySpinner* m_spinner = nullptr;
    QWidget* m_errorRow = nullptr;
    QLabel* m_error = nullptr;
    PillButton* m_relink = nullptr;
    QPointer<AccountSession> m_followed;
    QList<QMetaObject::Connection> m_sessionConnections;
};

} // namespace vesk
