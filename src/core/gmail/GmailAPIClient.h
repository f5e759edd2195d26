#pragma once

#include "WireRecords.h"
#include "model/LabelInfo.h"

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vesk {

/// The Gmail operations the rest of the program uses, for one account.
/// Every operation is asynchronous and may fail with GmailError, NetworkError
/// or the token provider's error.
class GmailAPIClient
{
public:
    /// (received bytes, announced total or 0); may be called on any thread.
    using ProgressCallback = std::function<void(qint64 received, qint64 expected)>;

    virtual ~GmailAPIClient() = default;

    /// The display name from the userinfo endpoint; nothing when Google does
    /// not answer with one. Never fails on an HTTP error.
    virtual QCoro::Task<std::optional<QString>> userName() = 0;
    virtual QCoro::Task<GmailProfileDTO> profile() = 0;
    virtual QCoro::Task<QList<LabelInfo>> labels() = 0;
    virtual QCoro::Task<MessageListDTO> listMessages(std::optional<QString> query,
                                                     QStringList labelIds, int maxResults,
                                                     std::optional<QString> pageToken) = 0;
    /// format "metadata" asks for From, Subject, Date, To and Cc only.
    virtual QCoro::Task<MessageDTO> getMessage(QString id, QString format) = 0;
    virtual QCoro::Task<ThreadDTO> getThread(QString id) = 0;
    /// One page of changes; pass the previous page's nextPageToken for the next.
    virtual QCoro::Task<HistoryListDTO> listHistory(QString startHistoryId,
                                                    std::optional<QString> pageToken) = 0;
    /// `raw` is the base64url form of the whole message, as ASCII bytes: a
    /// message with 25 MiB of files is 47 MB of it, so it is not widened to
    /// text and not copied more than once into the request.
    virtual QCoro::Task<MessageDTO> sendMessage(QByteArray raw,
                                                std::optional<QString> threadId) = 0;
    /// The draft's id (for later updates and the deletion) with the id of
    /// the message that holds this version.
    virtual QCoro::Task<DraftDTO> createDraft(QByteArray raw, std::optional<QString> threadId) = 0;
    /// As createDraft; the id stays, the message is a new one.
    virtual QCoro::Task<DraftDTO> updateDraft(QString id, QByteArray raw,
                                              std::optional<QString> threadId) = 0;
    /// format "minimal" gives the version's message id only, "full" the message.
    virtual QCoro::Task<DraftDTO> getDraft(QString id, QString format) = 0;
    /// One page of the account's drafts, each with its message's id.
    virtual QCoro::Task<DraftListDTO> listDrafts(std::optional<QString> pageToken) = 0;
    virtual QCoro::Task<void> deleteDraft(QString id) = 0;
    /// Sends the draft as it is saved; Gmail then deletes it, so a second
    /// call for the same draft fails with 404.
    virtual QCoro::Task<MessageDTO> sendDraft(QString id) = 0;
    virtual QCoro::Task<void> modifyThread(QString id, QStringList add, QStringList remove) = 0;
    /// The same labels on and off for up to a thousand messages at once.
    virtual QCoro::Task<void> batchModifyMessages(QStringList ids, QStringList add,
                                                  QStringList remove) = 0;
    virtual QCoro::Task<void> trashThread(QString id) = 0;
    virtual QCoro::Task<void> untrashThread(QString id) = 0;
    virtual QCoro::Task<QByteArray> attachmentData(QString messageId, QString attachmentId) = 0;
    /// As attachmentData, reporting each received piece of the answer.
    virtual QCoro::Task<QByteArray> attachmentDataWithProgress(QString messageId,
                                                               QString attachmentId,
                                                               ProgressCallback onBytes) = 0;
};

} // namespace vesk
