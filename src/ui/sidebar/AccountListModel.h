#pragma once

#include "ui/widgets/KeyedListModel.h"

namespace vesk {

class AppState;

/// The linked accounts as the sidebar lists them, one row per session in the
/// application state's order, keyed by email: name, email, the inbox's unread
/// count and whether the row is the selected account. With two or more
/// accounts a first row, keyed AppState::allAccountsId(), stands for all of
/// them ("Todas as contas"). Rows change one by one as sessions come and go
/// or their counts move. GUI thread only.
class AccountListModel final : public KeyedListModel
{
    Q_OBJECT

public:
    enum Role
    {
        EmailRole = KeyRole,
        NameRole = Qt::UserRole + 2,
        UnreadRole,
        SelectedRole,
        /// The row's second line: the address, or how many accounts the
        /// row of every account stands for.
        DetailRole,
        /// The account's mark in the list of every account, a QColor; none
        /// for that row itself and while one account is linked.
        ColourRole,
    };

    explicit AccountListModel(AppState& state, QObject* parent = nullptr);

    QHash<int, QByteArray> roleNames() const override;

    /// A row as a screen reader says it: name, address (or how many
    /// accounts), unread count and whether it is the account shown.
    static QString spoken(const QString& name, const QString& detail, qint64 unread, bool selected);

private:
    void refresh();
    Row allAccountsRow() const;

    AppState& m_state;
};

} // namespace vesk
