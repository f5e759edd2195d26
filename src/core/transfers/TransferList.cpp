#include "TransferList.h"

#include <algorithm>

namespace vesk {

TransferList::TransferList(QObject* parent)
    : QAbstractListModel(parent)
{}

int TransferList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant TransferList::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const TransferItem& item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case FileNameRole:
        return item.filename;
    case IdRole:
        return item.id;
    case AccountEmailRole:
        return item.accountEmail;
    case ReceivedRole:
        return item.received;
    case ExpectedRole:
        return item.expected;
    case FractionRole:
        return item.fraction();
    case StateRole:
        return int(item.state.kind);
    case ErrorTextRole:
        return item.state.failure;
    case ErrorDetailsRole:
        return item.state.failureDetails;
    case SavedPathRole:
        return item.savedURL.value_or(QString());
    default:
        return {};
    }
}

QHash<int, QByteArray> TransferList::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(IdRole, "id");
    names.insert(FileNameRole, "filename");
    names.insert(AccountEmailRole, "accountEmail");
    names.insert(ReceivedRole, "received");
    names.insert(ExpectedRole, "expected");
    names.insert(FractionRole, "fraction");
    names.insert(StateRole, "state");
    names.insert(ErrorTextRole, "errorText");
    names.insert(ErrorDetailsRole, "errorDetails");
    names.insert(SavedPathRole, "savedURL");
    return names;
}

std::optional<TransferItem> TransferList::find(const QUuid& id) const
{
    const qsizetype row = rowOf(id);
    if (row < 0)
        return std::nullopt;
    return m_items.at(row);
}

bool TransferList::hasRunning() const
{
    return std::any_of(m_items.cbegin(), m_items.cend(),
                       [](const TransferItem& item) { return item.state.isRunning(); });
}

void TransferList::prepend(const TransferItem& item)
{
    beginInsertRows({}, 0, 0);
    m_items.prepend(item);
    endInsertRows();
}

void TransferList::setReceived(const QUuid& id, qint64 received)
{
    change(id, {ReceivedRole, FractionRole}, [received](TransferItem& item) {
        return std::exchange(item.received, received) != received;
    });
}

void TransferList::setExpected(const QUuid& id, qint64 expected)
{
    change(id, {ExpectedRole, FractionRole}, [expected](TransferItem& item) {
        return std::exchange(item.expected, expected) != expected;
    });
}

void TransferList::setState(const QUuid& id, const TransferItem::State& state)
{
    change(id, {StateRole, ErrorTextRole, ErrorDetailsRole},
           [&state](TransferItem& item) { return std::exchange(item.state, state) != state; });
}

void TransferList::setSavedURL(const QUuid& id, const QString& path)
{
    change(id, {SavedPathRole},
           [&path](TransferItem& item) { return std::exchange(item.savedURL, path) != path; });
}

void TransferList::removeFinished()
{
    // From the end, one contiguous run of finished rows at a time, so that
    // every removal is announced with rows that are still correct.
    qsizetype row = m_items.size() - 1;
    while (row >= 0) {
        if (!m_items.at(row).state.isFinished()) {
            --row;
            continue;
        }
        const qsizetype last = row;
        while (row > 0 && m_items.at(row - 1).state.isFinished())
            --row;
        beginRemoveRows({}, int(row), int(last));
        m_items.remove(row, last - row + 1);
        endRemoveRows();
        --row;
    }
}

qsizetype TransferList::rowOf(const QUuid& id) const
{
    const auto found = std::find_if(m_items.cbegin(), m_items.cend(),
                                    [&id](const TransferItem& item) { return item.id == id; });
    return found == m_items.cend() ? -1 : found - m_items.cbegin();
}

void TransferList::change(const QUuid& id, const QList<int>& roles,
                          const std::function<bool(TransferItem&)>& apply)
{
    const qsizetype row = rowOf(id);
    if (row < 0 || !apply(m_items[row]))
        return;
    const QModelIndex at = index(int(row));
    Q_EMIT dataChanged(at, at, roles);
}

} // namespace vesk
