#pragma once

#include "ui/style/Symbol.h"
#include "ui/widgets/KeyedListModel.h"

#include <QList>

namespace vesk {

class AppState;

/// The labels the sidebar offers, keyed by label id: Gmail's system labels
/// in a fixed order with their Portuguese titles, then the selected account's
/// own labels (type exactly "user") in the account's order. The inbox row
/// carries the selected account's unread count; a row is highlighted while
/// it is the selected label and no search is shown. GUI thread only.
class LabelListModel final : public KeyedListModel
{
    Q_OBJECT

public:
    enum Role
    {
        IdRole = KeyRole,
        SymbolRole = Qt::UserRole + 2,
        /// The count to show: the inbox's unread messages, the outbox's
        /// messages; 0 for none.
        CountRole,
        HighlightedRole,
    };

    /// Gmail's own labels the sidebar lists, in its order, with their symbols;
    /// their titles are the application state's.
    struct SystemLabel
    {
        QString id;
        Symbol symbol;
    };
    /// The system labels, in the order the sidebar lists them.
    static const QList<SystemLabel>& systemLabels();

    explicit LabelListModel(AppState& state, QObject* parent = nullptr);

    QHash<int, QByteArray> roleNames() const override;

    /// A row as a screen reader says it: its title, its count (unread, or
    /// waiting to be sent in the outbox) and whether it is the one open.
    static QString spoken(const QString& title, qint64 count, bool outbox, bool highlighted);

private:
    void refresh();
    void refreshAllAccounts();
    Row row(const QString& id, const QString& title, Symbol symbol, qint64 count) const;

    AppState& m_state;
};

} // namespace vesk
