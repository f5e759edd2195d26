#include "ui/widgets/KeyedListModel.h"

#include <QSet>

namespace vesk {

int KeyedListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant KeyedListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows.at(index.row());
    if (role == KeyRole)
        return row.key;
    return row.values.value(role);
}

int KeyedListModel::rowOf(const QString& key) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).key == key)
            return i;
    }
    return -1;
}

void KeyedListModel::reconcile(QList<Row> target)
{
    QSet<QString> seen;
    target.removeIf([&seen](const Row& row) {
        const bool repeated = seen.contains(row.key);
        seen.insert(row.key);
        return repeated;
    });
    removeMissing(target);
    // Every row left has its key in target, so walking target in order and
    // pulling each key up to its place ends with both lists equal.
    for (int i = 0; i < target.size(); ++i) {
        const int found = rowOf(target.at(i).key);
        if (found == i) {
            update(i, target.at(i));
        } else if (found > i) {
            beginMoveRows({}, found, found, {}, i);
            m_rows.move(found, i);
            endMoveRows();
            update(i, target.at(i));
        } else {
            beginInsertRows({}, i, i);
            m_rows.insert(i, target.at(i));
            endInsertRows();
        }
    }
}

void KeyedListModel::removeMissing(const QList<Row>& target)
{
    QSet<QString> wanted;
    for (const Row& row : target)
        wanted.insert(row.key);
    for (int i = int(m_rows.size()) - 1; i >= 0; --i) {
        if (wanted.contains(m_rows.at(i).key))
            continue;
        beginRemoveRows({}, i, i);
        m_rows.removeAt(i);
        endRemoveRows();
    }
}

void KeyedListModel::update(int row, const Row& target)
{
    Row& current = m_rows[row];
    QList<int> changed;
    QSet<int> roles(current.values.keyBegin(), current.values.keyEnd());
    for (auto it = target.values.cbegin(); it != target.values.cend(); ++it)
        roles.insert(it.key());
    for (int role : roles) {
        if (current.values.value(role) != target.values.value(role))
            changed.append(role);
    }
    if (changed.isEmpty())
        return;
    current.values = target.values;
    const QModelIndex at = index(row);
    Q_EMIT dataChanged(at, at, changed);
}

} // namespace vesk
