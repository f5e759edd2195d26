#pragma once

#include "gmail/GmailAPIClient.h"

#include <memory>
#include <thread>

/// The Gmail client as the download contract allows it to behave: progress
/// reported from another thread, and (the hard case) only once the answer is
/// complete, so that every report reaches the GUI thread after the download
/// has returned. Everything else goes to the real client unchanged.
class BackgroundProgressClient final : public vesk::GmailAPIClient
{
public:
    explicit BackgroundProgressClient(std::shared_ptr<vesk::GmailAPIClient> inner)
        : m_inner(std::move(inner))
    {}

    QCoro::Task<QByteArray> attachmentDataWithProgress(QString messageId, QString attachmentId,
                                                       ProgressCallback onBytes) override
    {
        auto reports = std::make_shared<QList<QPair<qint64, qint64>>>();
        // Named first: GCC 12 mishandles temporaries inside a co_await expression.
        ProgressCallback record = [reports](qint64 r, qint64 e) { reports->append({r, e}); };
        const QByteArray bytes = co_await m_inner->attachmentDataWithProgress(
            std::move(messageId), std::move(attachmentId), std::move(record));
        std::thread([reports, onBytes] {
            for (const auto& [received, expected] : *reports)
                onBytes(received, expected);
        }).join();
        co_return bytes;
    }

    QCoro::Task<std::optional<QString>> userName() override { return m_inner->userName(); }
    QCoro::Task<vesk::GmailProfileDTO> profile() override { return m_inner->profile(); }
    QCoro::Task<QList<vesk::LabelInfo>> labels() override { return m_inner->labels(); }
    QCoro::Task<vesk::MessageListDTO> listMessages(std::optional<QString> query,
                                                   QStringList labelIds, int maxResults,
                                                   std::optional<QString> pageToken) override
    {
        return m_inner->listMessages(query, labelIds, maxResults, pageToken);
    }
    QCoro::Task<vesk::MessageDTO> getMessage(QString id, QString format) override
    {
        return m_inner->getMessage(id, format);
    }
    QCoro::Task<vesk::ThreadDTO> getThread(QString id) override { return m_inner->getThread(id); }
    QCoro::Task<vesk::HistoryListDTO> listHistory(QString startHistoryId,
                                                  std::optional<QString> pageToken) override
    {
        return m_inner->listHistory(startHistoryId, pageToken);
    }
    QCoro::Task<vesk::MessageDTO> sendMessage(QByteArray raw,
                                              std::optional<QString> threadId) override
    {
        return m_inner->sendMessage(raw, threadId);
    }
    QCoro::Task<QString> createDraft(QByteArray raw, std::optional<QString> threadId) override
    {
        return m_inner->createDraft(raw, threadId);
    }
    QCoro::Task<void> updateDraft(QString id, QByteArray raw,
                                  std::optional<QString> threadId) override
    {
        return m_inner->updateDraft(id, raw, threadId);
    }
    QCoro::Task<void> deleteDraft(QString id) override { return m_inner->deleteDraft(id); }
    QCoro::Task<void> modifyThread(QString id, QStringList add, QStringList remove) override
    {
        return m_inner->modifyThread(id, add, remove);
    }
    QCoro::Task<void> trashThread(QString id) override { return m_inner->trashThread(id); }
    QCoro::Task<void> untrashThread(QString id) override { return m_inner->untrashThread(id); }
    QCoro::Task<QByteArray> attachmentData(QString messageId, QString attachmentId) override
    {
        return m_inner->attachmentData(messageId, attachmentId);
    }

private:
    const std::shared_ptr<vesk::GmailAPIClient> m_inner;
};
