#include "ui/sidebar/LabelListModel.h"

#include "app/AppState.h"
#include "compose/Outbox.h"
#include "model/SystemLabels.h"
#include "sync/AccountSession.h"
#include "ui/widgets/SpokenText.h"

#include <climits>

namespace vesk {

const QList<LabelListModel::SystemLabel>& LabelListModel::systemLabels()
{
    static const QList<SystemLabel> s_labels{
        {SystemLabels::inbox(), Symbol::Inbox},         {SystemLabels::sent(), Symbol::Sent},
        {SystemLabels::draft(), Symbol::Drafts},        {SystemLabels::spam(), Symbol::Spam},
        {SystemLabels::trash(), Symbol::Trash},         {SystemLabels::starred(), Symbol::Starred},
        {SystemLabels::important(), Symbol::Important},
    };
    return s_labels;
}

LabelListModel::LabelListModel(AppState& state, QObject* parent)
    : KeyedListModel(parent)
    , m_state(state)
{
    connect(&m_state, &AppState::sessionsChanged, this, &LabelListModel::refresh);
    connect(&m_state, &AppState::selectionChanged, this, &LabelListModel::refresh);
    connect(&m_state, &AppState::searchChanged, this, &LabelListModel::refresh);
    connect(&m_state, &AppState::outboxChanged, this, &LabelListModel::refresh);
    refresh();
}

QHash<int, QByteArray> LabelListModel::roleNames() const
{
    return {{IdRole, "labelId"},
            {SymbolRole, "symbol"},
            {CountRole, "count"},
            {HighlightedRole, "highlighted"},
            {Qt::DisplayRole, "display"}};
}

LabelListModel::Row LabelListModel::row(const QString& id, const QString& title, Symbol symbol,
                                        qint64 count) const
{
    Row result{id, {}};
    result.values.insert(Qt::DisplayRole, title);
    result.values.insert(SymbolRole, QVariant::fromValue(symbol));
    result.values.insert(CountRole, count);
    const bool highlighted = !m_state.isSearching() && id == m_state.selectedLabelId();
    result.values.insert(HighlightedRole, highlighted);
    result.values.insert(Qt::AccessibleTextRole,
                         spoken(title, count, id == AppState::outboxId(), highlighted));
    return result;
}

QString LabelListModel::spoken(const QString& title, qint64 count, bool outbox, bool highlighted)
{
    const int shown = int(qMin<qint64>(count, INT_MAX));
    QString counted;
    if (count > 0)
        counted = outbox ? tr("%n por enviar", nullptr, shown) : tr("%n não lidas", nullptr, shown);
    return SpokenText::join({title, counted, highlighted ? tr("aberta") : QString()});
}

void LabelListModel::refresh()
{
    if (m_state.isAllAccounts()) {
        refreshAllAccounts();
        return;
    }
    AccountSession* session = m_state.selectedSession();
    if (session) {
        // Sessions that are no longer selected may still call; refresh reads
        // the selected one, so that is harmless.
        connect(session, &AccountSession::labelsChanged, this, &LabelListModel::refresh,
                Qt::UniqueConnection);
    }
    const qint64 inboxUnread = session ? qMax<qint64>(0, session->inboxUnread()) : 0;
    QList<Row> rows;
    for (const SystemLabel& label : systemLabels()) {
        const qint64 count = label.id == SystemLabels::inbox() ? inboxUnread : 0;
        rows.append(row(label.id, m_state.labelTitle(label.id), label.symbol, count));
        // The outbox, under the inbox, only while it holds a message.
        const Outbox* outbox = AppState::outboxOf(session);
        if (label.id == SystemLabels::inbox() && outbox && !outbox->messages().isEmpty()) {
            rows.append(row(AppState::outboxId(), m_state.labelTitle(AppState::outboxId()),
                            Symbol::Sent, outbox->messages().size()));
        }
    }
    if (session) {
        for (const LabelInfo& label : session->labels()) {
            if (label.type == QLatin1String("user") && !label.id.isEmpty())
                rows.append(row(label.id, label.name, Symbol::Label, 0));
        }
    }
    reconcile(rows);
}

void LabelListModel::refreshAllAccounts()
{
    // Only what every account has: the system labels, over all of them.
    // Each account's own labels and outbox are under that account.
    for (AccountSession* session : m_state.sessions())
        connect(session, &AccountSession::labelsChanged, this, &LabelListModel::refresh,
                Qt::UniqueConnection);
    QList<Row> rows;
    for (const SystemLabel& label : systemLabels()) {
        const qint64 count =
            label.id == SystemLabels::inbox() ? qMax<qint64>(0, m_state.unreadInAllInboxes()) : 0;
        rows.append(row(label.id, m_state.labelTitle(label.id), label.symbol, count));
    }
    reconcile(rows);
}

} // namespace vesk
