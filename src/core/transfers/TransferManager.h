#pragma once

#include "TransferItem.h"
#include "TransferList.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace vesk {

class FileDialogs;
class GmailAPIClient;
struct AttachmentInfo;

/// Saves message attachments to files the user chooses and keeps the list of
/// those downloads, with live progress, for the transfers panel and its
/// toolbar button. One manager, built by the program's composition, serves
/// all accounts.
///
/// Lives on and is used from the GUI thread; downloads resume there. The
/// download's progress may be reported from any thread: it is only posted to
/// the GUI thread, which applies it to the item with the same id while that
/// item is still running.
class TransferManager final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(vesk::TransferList* items READ items CONSTANT)
    Q_PROPERTY(bool hasActive READ hasActive NOTIFY hasActiveChanged)

public:
    using Item = TransferItem;

    /// Without dialogs no download can start: nowhere to save is asked.
    explicit TransferManager(std::shared_ptr<FileDialogs> dialogs, QObject* parent = nullptr);
    ~TransferManager() override;

    /// All downloads of this run, newest first.
    TransferList* items() const { return m_items; }
    /// True while at least one item is running.
    bool hasActive() const { return m_hasActive; }

    /// Removes every done or failed item, keeping the running ones in order.
    void clearFinished();

    /// Asks where to save the attachment, downloads it with progress and
    /// writes it atomically. Returns where it was saved; nothing when the user
    /// cancelled or the download or the write failed (the failure is then
    /// the item's state). Never fails, so it may be started and forgotten.
    QCoro::Task<std::optional<QString>> download(AttachmentInfo attachment, QString accountEmail,
                                                 std::shared_ptr<GmailAPIClient> api);

Q_SIGNALS:
    void hasActiveChanged(bool hasActive);

private:
    QCoro::Task<std::optional<QString>> askForDestination(QString attachmentName,
                                                          QString accountEmail);
    QUuid addItem(const QString& filename, const QString& accountEmail);
    std::function<void(qint64, qint64)> progressCallback(const QUuid& id);
    void applyProgress(const QUuid& id, qint64 received, qint64 expected);
    void fail(const QUuid& id, const TransferItem::State& failed);
    void finish(const QUuid& id, qint64 writtenBytes, const QString& path);
    void updateHasActive();

    const std::shared_ptr<FileDialogs> m_dialogs;
    TransferList* m_items;
    bool m_hasActive = false;
};

} // namespace vesk
