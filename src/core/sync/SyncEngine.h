#pragma once

#include "MessageListPage.h"
#include "MessageListing.h"
#include "QuotaPacer.h"
#include "ReconcilePlan.h"
#include "SessionError.h"
#include "model/AccountIdentity.h"
#include "model/LabelInfo.h"
#include "model/LabelPages.h"
#include "model/MessageSummary.h"

#include <QCoroTask>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

namespace vesk {

class GmailAPIClient;
class MailStore;
class NotificationPosting;
class SyncClock;
struct HistoryListDTO;

/// Keeps one account's mail store in step with its Gmail mailbox: the first
/// full synchronisation, incremental synchronisation through the history feed
/// on a timer, a label's first and further pages on demand, server-side
/// search page by page, and the announcement of new unread inbox mail once
/// armed.
///
/// It converges whatever happens in between: a full synchronisation
/// reconciles every loaded label with as many of Google's newest pages of it
/// as the cache holds, the history
/// id only moves once everything up to it is in the store, work done before a
/// failure is kept and not repeated, and every request is paced by the
/// account's quota so that a large change completes instead of exhausting it.
///
/// Owned by the account session; lives on and is used from the GUI thread,
/// where its coroutines run. changed() fires at the end of every initialSync
/// and syncNow (success or failure) and after a successful label load.
/// Synchronisations never overlap: one asked for while another runs is made
/// once that one has finished, and the call returns at once.
class SyncEngine final : public QObject
{
    Q_OBJECT

public:
    /// At most this many message requests are in flight at once, so that a
    /// large change does not trip Gmail's per-user rate limit.
    static constexpr int maxParallelFetches = 10;
    /// Messages in the first page of a label, for the first synchronisation
    /// and for a label the user opens.
    static constexpr int firstPageSize = 75;

    /// `clock` paces requests by the quota; the system's steady clock by default.
    SyncEngine(AccountIdentity account, std::shared_ptr<GmailAPIClient> api,
               std::shared_ptr<MailStore> store, std::shared_ptr<NotificationPosting> poster,
               std::shared_ptr<SyncClock> clock = nullptr, QObject* parent = nullptr);
    ~SyncEngine() override;

    const AccountIdentity& account() const { return m_account; }
    /// The text of lastFailure(), for callers that only show it.
    std::optional<QString> lastError() const;
    /// The last failed synchronisation; cleared by the next successful one.
    std::optional<SessionError> lastFailure() const;

    bool notificationsArmed() const;
    void setNotificationsArmed(bool armed);

    /// The full synchronisation. Never fails; a failure is kept in lastError().
    QCoro::Task<> initialSync();
    /// Applies the history since the stored history id; a full
    /// synchronisation when there is none or Google no longer has it.
    QCoro::Task<> syncNow();
    /// (Re)starts the periodic loop: one syncNow after each interval, never
    /// overlapping itself. Replaces a loop already running.
    void start(std::chrono::milliseconds interval);
    /// Stops the periodic loop, if any.
    void stop();

    /// The account's quota, which everything sent for the account shares.
    const std::shared_ptr<QuotaPacer>& pacer() const { return m_pacer; }
    /// The pause before the next periodic sync: the interval, growing while
    /// Google cannot be reached.
    std::chrono::milliseconds nextPause() const;

    /// Fetches a label's first page into the store; fails with the client's error.
    QCoro::Task<> loadLabelMessages(QString labelId, int maxResults);

    /// Fetches the label's next page of older messages into the store (its
    /// first for a label never loaded) and records how deep it now goes.
    /// The next page is asked for with the token kept from the page before;
    /// without one, or when Google refuses it, the label is listed again
    /// from the start. Fails with the client's error, keeping what arrived;
    /// nothing for a label whose end is known.
    QCoro::Task<> loadNextPage(QString labelId);
    /// One page of a server-side search from `pageToken`, the first when it
    /// is empty; the hits are also stored. When Google refuses the token,
    /// the first `loaded` + `pageSize` hits from the start.
    QCoro::Task<MessageListPage> searchPage(QString query, int pageSize, QString pageToken,
                                            int loaded);

Q_SIGNALS:
    void changed();

private:
    /// What a full synchronisation that has not finished yet achieved. Its
    /// history id was read before anything was fetched, so whatever was
    /// fetched since is at least that fresh and need not be fetched again.
    struct FullSyncProgress
    {
        QString historyId;
        QSet<QString> fetched;
    };

    /// Messages already fetched for the history range that starts at
    /// `startHistoryId`, should the range take more than one attempt.
    struct RangeProgress
    {
        QString startHistoryId;
        QSet<QString> fetched;
    };

    QCoro::Task<> runExclusive(bool full);
    QCoro::Task<> fullSyncReporting();
    QCoro::Task<> incrementalSyncReporting();
    QCoro::Task<> runInitialSync();
    /// A label's pages as a full synchronisation listed them, and how deep
    /// the label goes after it.
    struct ListedLabel
    {
        ReconcilePlan::Page page;
        LabelPages pages;
        /// How deep the label went when it was listed.
        int listedDepth = 0;
    };

    QCoro::Task<ListedLabel> fetchFullSyncPage(ReconcilePlan::Target target);
    void reconcile(const QList<ReconcilePlan::Page>& pages);
    QCoro::Task<QList<LabelInfo>> fetchLabels();
    QCoro::Task<> runIncrementalSync();
    QCoro::Task<QList<HistoryListDTO>> allHistorySince(QString historyId);
    QCoro::Task<> applyHistory(QList<HistoryListDTO> pages, QString startHistoryId);
    QCoro::Task<MessageListing> listLabel(QString labelId, int count, QuotaPacer::Priority priority,
                                          std::optional<QString> pageToken = std::nullopt);
    QCoro::Task<> tick(quint64 generation);
    void scheduleTick(quint64 generation);
    void announce(const QList<MessageSummary>& fetched);
    void finishSync(std::optional<SessionError> error);

    const AccountIdentity m_account;
    const std::shared_ptr<GmailAPIClient> m_api;
    const std::shared_ptr<MailStore> m_store;
    const std::shared_ptr<NotificationPosting> m_poster;
    const std::shared_ptr<QuotaPacer> m_pacer;

    mutable QMutex m_lock;
    bool m_notificationsArmed = false;
    std::optional<SessionError> m_lastError;

    std::optional<FullSyncProgress> m_fullSync;
    RangeProgress m_range;
    bool m_syncInFlight = false;
    bool m_syncRequested = false;

    std::chrono::milliseconds m_interval{60000};
    quint64 m_loopGeneration = 0;
    /// Periodic syncs in a row that failed for the network.
    int m_offlineStreak = 0;
};

} // namespace vesk
