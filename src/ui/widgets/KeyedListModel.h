#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

namespace vesk {

/// A list model whose rows are identified by a text key. Subclasses compute
/// the rows they should show from the core and hand them to `reconcile`,
/// which removes, moves and inserts rows one by one and announces only the
/// roles that changed, so that a view keeps its current row, selection and
/// scroll position through every update. The model never resets.
class KeyedListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /// One row: its key and the value of each role it answers.
    struct Row
    {
        QString key;
        QHash<int, QVariant> values;
    };

    /// Every subclass answers its key under this role.
    static constexpr int KeyRole = Qt::UserRole + 1;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /// The row of `key`, or -1.
    int rowOf(const QString& key) const;

protected:
    /// Brings the rows in line with `target`; a key repeated in `target`
    /// counts once, at its first place.
    void reconcile(QList<Row> target);

private:
    void removeMissing(const QList<Row>& target);
    void update(int row, const Row& target);

    QList<Row> m_rows;
};

} // namespace vesk
