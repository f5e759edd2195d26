#include "ui/sidebar/AccountListModel.h"

#include "app/AppState.h"
#include "sync/AccountSession.h"

namespace vesk {

AccountListModel::AccountListModel(AppState& state, QObject* parent)
    : KeyedListModel(parent)
    , m_state(state)
{
    connect(&m_state, &AppState::sessionsChanged, this, &AccountListModel::refresh);
    connect(&m_state, &AppState::selectionChanged, this, &AccountListModel::refresh);
    refresh();
}

QHash<int, QByteArray> AccountListModel::roleNames() const
{
    return {{EmailRole, "email"},
            {NameRole, "name"},
            {UnreadRole, "unread"},
            {SelectedRole, "selected"},
            {Qt::DisplayRole, "display"}};
}

void AccountListModel::refresh()
{
    QList<Row> rows;
    for (AccountSession* session : m_state.sessions()) {
        // A session kept across rebuilds is connected once.
        connect(session, &AccountSession::labelsChanged, this, &AccountListModel::refresh,
                Qt::UniqueConnection);
        connect(session, &AccountSession::revisionChanged, this, &AccountListModel::refresh,
                Qt::UniqueConnection);
        const AccountIdentity& identity = session->identity();
        const QString shown = identity.name.trimmed().isEmpty() ? identity.email : identity.name;
        Row row{identity.email, {}};
        row.values.insert(Qt::DisplayRole, shown);
        row.values.insert(NameRole, shown);
        row.values.insert(UnreadRole, session->inboxUnread());
        row.values.insert(SelectedRole, identity.email == m_state.selectedAccountId());
        row.values.insert(Qt::AccessibleTextRole,
                          QString(shown + QLatin1Char(' ') + identity.email));
        rows.append(row);
    }
    reconcile(rows);
}

} // namespace vesk
