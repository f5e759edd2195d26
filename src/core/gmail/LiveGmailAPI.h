#pragma once

#include "GmailAPIClient.h"
#include "GmailEndpoints.h"
#include "net/RetryPolicy.h"
#include "platform/WallClock.h"

#include <QPair>

#include <memory>

namespace vesk {

class AccessTokenProviding;
class HTTPTransport;
struct HTTPResponse;

/// The Gmail REST client of one account.
///
/// Every call adds the bearer token, retries once after a 401 with a fresh
/// token, and retries rate-limit and passing server errors with exponential
/// backoff (never a send or a draft creation after a server error: it may
/// have been applied). Fields are fixed at construction, so any number of
/// calls may run at once. Use it on the thread of its transport.
class LiveGmailAPI final : public GmailAPIClient
{
public:
    LiveGmailAPI(std::shared_ptr<HTTPTransport> transport,
                 std::shared_ptr<AccessTokenProviding> tokenProvider, GmailEndpoints endpoints = {},
                 RetryPolicy retryPolicy = {}, WallClock clock = systemWallClock());

    QCoro::Task<std::optional<QString>> userName() override;
    QCoro::Task<GmailProfileDTO> profile() override;
    QCoro::Task<QList<LabelInfo>> labels() override;
    QCoro::Task<MessageListDTO> listMessages(std::optional<QString> query, QStringList labelIds,
                                             int maxResults,
                                             std::optional<QString> pageToken) override;
    QCoro::Task<MessageDTO> getMessage(QString id, QString format) override;
    QCoro::Task<ThreadDTO> getThread(QString id) override;
    QCoro::Task<HistoryListDTO> listHistory(QString startHistoryId,
                                            std::optional<QString> pageToken) override;
    QCoro::Task<MessageDTO> sendMessage(QByteArray raw, std::optional<QString> threadId) override;
    QCoro::Task<DraftDTO> createDraft(QByteArray raw, std::optional<QString> threadId) override;
    QCoro::Task<DraftDTO> updateDraft(QString id, QByteArray raw,
                                      std::optional<QString> threadId) override;
    QCoro::Task<DraftDTO> getDraft(QString id, QString format) override;
    QCoro::Task<DraftListDTO> listDrafts(std::optional<QString> pageToken) override;
    QCoro::Task<void> deleteDraft(QString id) override;
    QCoro::Task<MessageDTO> sendDraft(QString id) override;
    QCoro::Task<void> batchModifyMessages(QStringList ids, QStringList add,
                                          QStringList remove) override;
    QCoro::Task<void> modifyThread(QString id, QStringList add, QStringList remove) override;
    QCoro::Task<void> trashThread(QString id) override;
    QCoro::Task<void> untrashThread(QString id) override;
    QCoro::Task<QByteArray> attachmentData(QString messageId, QString attachmentId) override;
    QCoro::Task<QByteArray> attachmentDataWithProgress(QString messageId, QString attachmentId,
                                                       ProgressCallback onBytes) override;

    /// Turns an attachment answer into the attachment's bytes.
    static QByteArray attachmentBytes(const QByteArray& answer);

private:
    using Query = QList<QPair<QString, QString>>;

    QCoro::Task<QByteArray> request(QByteArray method, QString path, Query query,
                                    std::optional<QByteArray> body, ProgressCallback onBytes = {});
    QUrl address(const QString& path, const Query& query) const;

    const std::shared_ptr<HTTPTransport> m_transport;
    const std::shared_ptr<AccessTokenProviding> m_tokenProvider;
    const GmailEndpoints m_endpoints;
    const RetryPolicy m_retryPolicy;
    const WallClock m_clock;
};

} // namespace vesk
