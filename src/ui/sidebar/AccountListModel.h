#pragma once

#include "ui/widgets/KeyedListModel.h"

namespace vesk {

class AppState;

/// The linked accounts as the sidebar lists them, one row per session in the
/// application state's order, keyed by email: name, email, the inbox's unread
/// count and whether the row is the selected account. Rows change one by one
/// as sessions come and go or their counts move. GUI thread only.
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
    };

    explicit AccountListModel(AppState& state, QObject* parent = nullptr);

    QHash<int, QByteArray> roleNames() const override;

private:
    void refresh();

    AppState& m_state;
};

} // namespace vesk
