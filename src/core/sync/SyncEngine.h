#pragma once

#include "model/AccountIdentity.h"
#include "model/MessageSummary.h"

#include <QCoroTask>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace vesk {

class GmailAPIClient;
class MailStore;
class NotificationPosting;
struct HistoryListDTO;

/// Keeps one account's mail store in step with its Gmail mailbox: the first
/// full synchronisation, incremental synchronisation through the history feed
/// on a timer, a label's first page on demand, server-side search, and the
/// announcement of new unread inbox mail once armed.
///
/// Owned by the account session; lives on and is used from the GUI thread,
/// where its coroutines run. changed() fires at the end of every initialSync
/// and syncNow (success or failure) and after a successful label load.
class SyncEngine final : public QObject
{
    Q_OBJECT

public:
    /// At most this many message requests are in flight at once, so that a
    /// large change does not trip Gmail's per-user rate limit.
    static constexpr int maxParallelFetches = 10;

    SyncEngine(AccountIdentity account, std::shared_ptr<GmailAPIClient> api,
               std::shared_ptr<MailStore> store, std::shared_ptr<NotificationPosting> poster,
               QObject* parent = nullptr);
    ~SyncEngine() override;

    const AccountIdentity& account() const { return m_account; }
    std::optional<QString> lastError() const;

    bool notificationsArmed() const;
    void setNotificationsArmed(bool armed);

    /// Never fails; a failure is kept in lastError().
    QCoro::Task<> initialSync();
    QCoro::Task<> syncNow();
    /// (Re)starts the periodic loop: one syncNow after each interval, never
    /// overlapping itself. Replaces a loop already running.
    void start(std::chrono::milliseconds interval);
    /// Stops the periodic loop, if any.
    void stop();

    /// Fetches a label's first page into the store; fails with the client's error.
    QCoro::Task<> loadLabelMessages(QString labelId, int maxResults);
    /// Server-side search; the hits are also stored. Newest first.
    QCoro::Task<QList<MessageSummary>> search(QString query, int maxResults);

Q_SIGNALS:
    void changed();

private:
    QCoro::Task<> runInitialSync();
    QCoro::Task<> runIncrementalSync();
    QCoro::Task<HistoryListDTO> allHistorySince(QString historyId);
    QCoro::Task<> applyHistory(HistoryListDTO history);
    QCoro::Task<> tick(quint64 generation);
    void scheduleTick(quint64 generation);
    void announce(const QList<MessageSummary>& fetched);
    void finishSync(std::optional<QString> error);

    const AccountIdentity m_account;
    const std::shared_ptr<GmailAPIClient> m_api;
    const std::shared_ptr<MailStore> m_store;
    const std::shared_ptr<NotificationPosting> m_poster;

    mutable QMutex m_lock;
    bool m_notificationsArmed = false;
    std::optional<QString> m_lastError;

    std::chrono::milliseconds m_interval{60000};
    quint64 m_loopGeneration = 0;
};

} // namespace vesk
