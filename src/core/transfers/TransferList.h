#pragma once

#include "TransferItem.h"

#include <QAbstractListModel>
#include <QList>
#include <QUuid>

#include <functional>
#include <optional>

namespace vesk {

/// The downloads of this run of the program, newest first, as a list model
/// the transfers panel binds to. Every field change is announced on its own
/// (dataChanged with that field's roles).
///
/// Owned by the TransferManager, which alone changes it; lives on and is used
/// from the GUI thread.
class TransferList final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        IdRole = Qt::UserRole + 1,
        FileNameRole,
        AccountEmailRole,
        ReceivedRole,
        ExpectedRole,
        /// received ÷ expected in 0…1; 0 while no length is known.
        FractionRole,
        /// A TransferItem::State::Case as an int.
        StateRole,
        /// The failure text; empty unless failed.
        ErrorTextRole,
        /// What came in with the failure, as it came; empty unless failed.
        ErrorDetailsRole,
        /// The written file; empty until done.
        SavedPathRole,
    };
    Q_ENUM(Role)

    explicit TransferList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    /// The whole list, newest first.
    const QList<TransferItem>& all() const { return m_items; }
    std::optional<TransferItem> find(const QUuid& id) const;
    bool hasRunning() const;

private:
    // The list is changed by its manager only; views just read it.
    friend class TransferManager;

    void prepend(const TransferItem& item);
    /// Each setter does nothing when the item is no longer listed or the
    /// value is unchanged.
    void setReceived(const QUuid& id, qint64 received);
    void setExpected(const QUuid& id, qint64 expected);
    void setState(const QUuid& id, const TransferItem::State& state);
    void setSavedURL(const QUuid& id, const QString& path);
    /// Removes every done or failed item; running ones keep their order.
    void removeFinished();

    qsizetype rowOf(const QUuid& id) const;
    void change(const QUuid& id, const QList<int>& roles,
                const std::function<bool(TransferItem&)>& apply);

    QList<TransferItem> m_items;
};

} // namespace vesk
