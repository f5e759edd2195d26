#include "ui/sidebar/AccountListModel.h"

#include "app/AppState.h"
#include "sync/AccountSession.h"
#include "ui/style/Brand.h"
#include "ui/widgets/SpokenText.h"

#include <climits>

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
    return {{EmailRole, "email"},        {NameRole, "name"},     {UnreadRole, "unread"},
            {SelectedRole, "selected"},  {DetailRole, "detail"}, {ColourRole, "colour"},
            {Qt::DisplayRole, "display"}};
}

void AccountListModel::refresh()
{
    QList<Row> rows;
    const QList<AccountSession*>& sessions = m_state.sessions();
    const bool several = sessions.size() > 1;
    if (several)
        rows.append(allAccountsRow());
    for (qsizetype position = 0; position < sessions.size(); ++position) {
        AccountSession* session = sessions.at(position);
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
        row.values.insert(SelectedRole, !m_state.isAllAccounts() &&
                                            identity.email == m_state.selectedAccountId());
        row.values.insert(DetailRole, identity.email);
        if (several)
            row.values.insert(ColourRole, Brand::accountColour(position));
        row.values.insert(Qt::AccessibleTextRole,
                          spoken(shown, identity.email, session->inboxUnread(),
                                 row.values.value(SelectedRole).toBool()));
        rows.append(row);
    }
    reconcile(rows);
}

QString AccountListModel::spoken(const QString& name, const QString& detail, qint64 unread,
                                 bool selected)
{
    // The view selects nothing (the state does), so the choice is said in words.
    return SpokenText::join({
        name,
        detail == name ? QString() : detail,
        unread > 0 ? tr("%n não lidas", nullptr, int(qMin<qint64>(unread, INT_MAX))) : QString(),
        selected ? tr("selecionada") : QString(),
    });
}

AccountListModel::Row AccountListModel::allAccountsRow() const
{
    const QString title = tr("Todas as contas");
    const int count = int(m_state.sessions().size());
    const QString detail = tr("%n contas", nullptr, count);
    Row row{AppState::allAccountsId(), {}};
    row.values.insert(Qt::DisplayRole, title);
    row.values.insert(NameRole, title);
    row.values.insert(UnreadRole, m_state.unreadInAllInboxes());
    row.values.insert(SelectedRole, m_state.isAllAccounts());
    row.values.insert(DetailRole, detail);
    row.values.insert(Qt::AccessibleTextRole,
                      spoken(title, detail, m_state.unreadInAllInboxes(), m_state.isAllAccounts()));
    return row;
}

} // namespace vesk
