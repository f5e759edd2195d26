#include "TransferManager.h"

#include "SafeFileName.h"
#include "gmail/GmailAPIClient.h"
#include "model/AttachmentInfo.h"
#include "net/DescribedError.h"
#include "platform/FileDialogs.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>

#include <exception>

namespace vesk {

namespace {

/// The failed state for an error: our own errors carry the sentence and
/// what came in; anything else is reported rather than lost.
TransferItem::State failedState(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return TransferItem::State::failed(describeError(failure), errorDetails(failure));
    } catch (...) {
        return TransferItem::State::failed(TransferManager::tr("Erro desconhecido"));
    }
}

/// Writes the whole file or nothing: a reader never sees it half written and
/// a file already there stays intact when the write fails. Returns the
/// error's text on failure.
std::optional<QString> writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size())
        return file.errorString();
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace

TransferManager::TransferManager(std::shared_ptr<FileDialogs> dialogs, QObject* parent)
    : QObject(parent)
    , m_dialogs(std::move(dialogs))
    , m_items(new TransferList(this))
{
    connect(m_items, &TransferList::rowsInserted, this, &TransferManager::updateHasActive);
    connect(m_items, &TransferList::rowsRemoved, this, &TransferManager::updateHasActive);
    connect(m_items, &TransferList::dataChanged, this, &TransferManager::updateHasActive);
}

TransferManager::~TransferManager() = default;

void TransferManager::clearFinished()
{
    m_items->removeFinished();
}

QCoro::Task<std::optional<QString>> TransferManager::download(AttachmentInfo attachment,
                                                              QString accountEmail,
                                                              std::shared_ptr<GmailAPIClient> api)
{
    // Callers start downloads and forget them, and an exception leaving a
    // forgotten task ends the process: every failure stops here. After each
    // suspension the manager may be gone; only `guard` is touched then.
    const QPointer<TransferManager> guard(this);
    if (!api)
        co_return std::nullopt;

    std::optional<QString> path;
    try {
        path = co_await askForDestination(attachment.filename, accountEmail);
    } catch (...) {
        // A dialog that could not be shown saves nothing, like a cancellation.
        path.reset();
    }
    if (!guard || !path || path->isEmpty())
        co_return std::nullopt;

    const QUuid id = addItem(attachment.filename, accountEmail);
    // Made before the co_await: GCC 12 mishandles temporaries built inside one.
    const GmailAPIClient::ProgressCallback onBytes = progressCallback(id);
    QByteArray bytes;
    std::exception_ptr failure;
    try {
        bytes = co_await api->attachmentDataWithProgress(attachment.messageId,
                                                         attachment.attachmentId, onBytes);
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        if (guard)
            guard->fail(id, failedState(failure));
        co_return std::nullopt;
    }

    // The user asked for this file: it is written even when its item was
    // cleared meanwhile. Written here on the GUI thread: it is one sequential
    // write of at most an attachment's size (Gmail caps those at 25 MB).
    if (const std::optional<QString> writeError = writeAtomically(*path, bytes)) {
        if (guard)
            guard->fail(id, TransferItem::State::failed(*writeError));
        co_return std::nullopt;
    }
    if (guard)
        guard->finish(id, bytes.size(), *path);
    co_return path;
}

QCoro::Task<std::optional<QString>> TransferManager::askForDestination(QString attachmentName,
                                                                       QString accountEmail)
{
    // Kept alive across the dialog even if the manager goes meanwhile.
    const std::shared_ptr<FileDialogs> dialogs = m_dialogs;
    if (!dialogs)
        co_return std::nullopt;
    // Empty when the platform knows no downloads folder: the dialog's default.
    const QString folder =
        QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0);
    co_return co_await dialogs->chooseSaveFile(safeFileName(attachmentName), folder,
                                               tr("Guardar anexo de %1").arg(accountEmail));
}

QUuid TransferManager::addItem(const QString& filename, const QString& accountEmail)
{
    TransferItem item;
    item.id = QUuid::createUuid();
    item.filename = filename;
    item.accountEmail = accountEmail;
    m_items->prepend(item);
    return item.id;
}

std::function<void(qint64, qint64)> TransferManager::progressCallback(const QUuid& id)
{
    // Called from whatever thread the download reports on: it only posts a
    // step to the GUI thread. The guard is copied here but read only there,
    // where the manager lives, and it does not keep the manager alive.
    const QPointer<TransferManager> guard(this);
    return [guard, id](qint64 received, qint64 expected) {
        QCoreApplication* const app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [guard, id, received, expected] {
                if (guard)
                    guard->applyProgress(id, received, expected);
            },
            Qt::QueuedConnection);
    };
}

void TransferManager::applyProgress(const QUuid& id, qint64 received, qint64 expected)
{
    // A step can arrive after the item ended (it was posted just before the
    // download returned); it must not overwrite the final counts.
    const std::optional<TransferItem> item = m_items->find(id);
    if (!item || !item->state.isRunning())
        return;
    m_items->setReceived(id, received);
    m_items->setExpected(id, expected);
}

void TransferManager::fail(const QUuid& id, const TransferItem::State& failed)
{
    m_items->setState(id, failed);
}

void TransferManager::finish(const QUuid& id, qint64 writtenBytes, const QString& path)
{
    const std::optional<TransferItem> item = m_items->find(id);
    if (!item)
        return;
    m_items->setState(id, TransferItem::State::done());
    // The counts end complete: at the announced length, or at the file's size
    // when the server never announced one.
    m_items->setReceived(id, item->expected >= 1 ? item->expected : writtenBytes);
    m_items->setSavedURL(id, path);
}

void TransferManager::updateHasActive()
{
    const bool active = m_items->hasRunning();
    if (active == m_hasActive)
        return;
    m_hasActive = active;
    Q_EMIT hasActiveChanged(active);
}

} // namespace vesk
