#include "SyncEngine.h"

#include "HistoryPlan.h"
#include "PacedCall.h"
#include "SummaryFetch.h"
#include "SyncClock.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "gmail/GmailQuota.h"
#include "model/MailStore.h"
#include "model/SystemLabels.h"
#include "net/DescribedError.h"
#include "notifications/NotificationPosting.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace vesk {

namespace {

using Priority = QuotaPacer::Priority;

const QString inboxLabel = SystemLabels::inbox();
const QString unreadLabel = SystemLabels::unread();

/// Pages of `pageSize` that `listed` messages take, at least one.
int pagesFor(qsizetype listed, int pageSize)
{
    return std::max(1, int((listed + pageSize - 1) / pageSize));
}

/// The listed messages the cache does not hold yet.
QStringList uncached(const QStringList& listed, const MailStore& store)
{
    const MailStore::State state = store.snapshot();
    QStringList ids;
    for (const QString& id : listed) {
        if (!state.summaries.contains(id))
            ids.append(id);
    }
    return ids;
}

} // namespace

SyncEngine::SyncEngine(AccountIdentity account, std::shared_ptr<GmailAPIClient> api,
                       std::shared_ptr<MailStore> store,
                       std::shared_ptr<NotificationPosting> poster,
                       std::shared_ptr<SyncClock> clock, QObject* parent)
    : QObject(parent)
    , m_account(std::move(account))
    , m_api(std::move(api))
    , m_store(std::move(store))
    , m_poster(std::move(poster))
    , m_pacer(std::make_shared<QuotaPacer>(clock ? std::move(clock) : SyncClock::system()))
{}

SyncEngine::~SyncEngine() = default;

std::optional<QString> SyncEngine::lastError() const
{
    QMutexLocker lock(&m_lock);
    return m_lastError ? std::optional<QString>(m_lastError->text) : std::nullopt;
}

std::optional<SessionError> SyncEngine::lastFailure() const
{
    QMutexLocker lock(&m_lock);
    return m_lastError;
}

bool SyncEngine::notificationsArmed() const
{
    QMutexLocker lock(&m_lock);
    return m_notificationsArmed;
}

void SyncEngine::setNotificationsArmed(bool armed)
{
    QMutexLocker lock(&m_lock);
    m_notificationsArmed = armed;
}

void SyncEngine::finishSync(std::optional<SessionError> error)
{
    m_offlineStreak = error && error->kind == SessionError::Kind::Offline ? m_offlineStreak + 1 : 0;
    {
        QMutexLocker lock(&m_lock);
        m_lastError = std::move(error);
    }
    Q_EMIT changed();
}

std::chrono::milliseconds SyncEngine::nextPause() const
{
    // Twice as long after each sync in a row that found no network, up to
    // ten minutes; the connection's return starts one at once anyway.
    constexpr std::chrono::milliseconds longest = std::chrono::minutes(10);
    std::chrono::milliseconds pause = m_interval;
    for (int n = 0; n < m_offlineStreak && pause < longest; ++n)
        pause *= 2;
    return std::max(m_interval, std::min(pause, longest));
}

QCoro::Task<> SyncEngine::initialSync()
{
    co_await runExclusive(true);
}

QCoro::Task<> SyncEngine::syncNow()
{
    co_await runExclusive(false);
}

QCoro::Task<> SyncEngine::runExclusive(bool full)
{
    // Two synchronisations at once would fetch the same messages twice and
    // race for the history id; a request made meanwhile runs right after.
    if (m_syncInFlight) {
        m_syncRequested = true;
        co_return;
    }
    QPointer<SyncEngine> self(this);
    m_syncInFlight = true;
    do {
        self->m_syncRequested = false;
        if (full)
            co_await self->fullSyncReporting();
        else
            co_await self->incrementalSyncReporting();
        if (!self)
            co_return;
        full = false;
    } while (self->m_syncRequested);
    self->m_syncInFlight = false;
}

QCoro::Task<> SyncEngine::fullSyncReporting()
{
    QPointer<SyncEngine> self(this);
    const std::shared_ptr<MailStore> store = m_store;
    const quint64 stamp = store->pendingStamp();
    std::optional<SessionError> error;
    try {
        co_await runInitialSync();
    } catch (const std::exception& e) {
        error = SessionError::from(e);
    }
    // Changes sent before it began are in what it brought.
    if (!error)
        store->settlePendingChanges(stamp);
    if (self)
        self->finishSync(std::move(error));
}

QCoro::Task<> SyncEngine::incrementalSyncReporting()
{
    QPointer<SyncEngine> self(this);
    if (m_store->snapshot().historyId.isEmpty()) {
        co_await fullSyncReporting();
        co_return;
    }
    const std::shared_ptr<MailStore> store = m_store;
    const quint64 stamp = store->pendingStamp();
    std::optional<SessionError> error;
    bool expired = false;
    try {
        co_await runIncrementalSync();
    } catch (const GmailError& e) {
        expired = e.kind() == GmailError::Kind::HistoryExpired;
        error = SessionError::from(e);
    } catch (const std::exception& e) {
        error = SessionError::from(e);
    }
    if (!error)
        store->settlePendingChanges(stamp);
    if (!self)
        co_return;
    if (expired)
        co_await self->fullSyncReporting();
    else
        self->finishSync(std::move(error));
}

QCoro::Task<QList<LabelInfo>> SyncEngine::fetchLabels()
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    std::function<QCoro::Task<QList<LabelInfo>>()> call = [api] { return api->labels(); };
    // The list, plus the inbox's own record for its counts.
    co_return co_await pacedCall<QList<LabelInfo>>(m_pacer,
                                                   GmailQuota::labelsList + GmailQuota::labelsGet,
                                                   Priority::Background, std::move(call));
}

QCoro::Task<MessageListing> SyncEngine::listLabel(QString labelId, int count, Priority priority,
                                                  std::optional<QString> pageToken)
{
    const QString noQuery;
    co_return co_await MessageListing::list(m_api, m_pacer, priority, labelId, noQuery, count,
                                            pageToken);
}

QCoro::Task<> SyncEngine::runInitialSync()
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    // The profile (for the history id to continue from) and the labels do
    // not depend on each other: asked for at once, they cost one round trip.
    std::optional<QCoro::Task<GmailProfileDTO>> profileCall;
    if (!m_fullSync) {
        std::function<QCoro::Task<GmailProfileDTO>()> call = [api] { return api->profile(); };
        profileCall.emplace(pacedCall<GmailProfileDTO>(m_pacer, GmailQuota::profile,
                                                       Priority::Background, std::move(call)));
    }
    QCoro::Task<QList<LabelInfo>> labelsCall = fetchLabels();
    std::optional<GmailProfileDTO> profile;
    std::exception_ptr failure;
    if (profileCall) {
        try {
            profile = co_await std::move(*profileCall);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // Awaited even after a failure: the call must not outlive this frame.
    QList<LabelInfo> labels;
    try {
        labels = co_await std::move(labelsCall);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (failure)
        std::rethrow_exception(failure);
    if (profile)
        self->m_fullSync = FullSyncProgress{profile->historyId, {}};
    store->setLabels(labels);

    QList<ListedLabel> listed;
    for (const ReconcilePlan::Target& target :
         ReconcilePlan::targets(store->snapshot().loadedLabels, labels)) {
        listed.append(co_await self->fetchFullSyncPage(target));
        if (!self)
            co_return;
    }
    QList<ReconcilePlan::Page> pages;
    for (const ListedLabel& label : std::as_const(listed))
        pages.append(label.page);
    self->reconcile(pages);
    // The tokens of this listing replace the older ones, which name places
    // in a list that may have moved since.
    for (const ListedLabel& label : std::as_const(listed)) {
        // A page the person scrolled to while this listed stays, with its
        // own token: the reconciling above kept its messages, which are
        // older than the last one listed.
        if (store->labelPages(label.page.labelId).depth > label.listedDepth)
            continue;
        store->setLabelPages(label.page.labelId, label.pages);
    }
    // Only now: a failure before this point leaves the next attempt a full
    // synchronisation again, which picks up where this one stopped.
    store->setHistoryId(self->m_fullSync->historyId);
    self->m_fullSync.reset();
}

QCoro::Task<SyncEngine::ListedLabel> SyncEngine::fetchFullSyncPage(ReconcilePlan::Target target)
{
    const std::shared_ptr<MailStore> store = m_store;
    if (!target.listed)
        co_return ListedLabel{ReconcilePlan::Page{target.labelId, {}, true},
                              LabelPages{1, {}, true}, store->labelPages(target.labelId).depth};
    QPointer<SyncEngine> self(this);
    // Every page the person has scrolled to is brought back, not only the
    // first: otherwise mail deleted or moved at Gmail further down would
    // stay in the list for good.
    const int depth = std::max(1, store->labelPages(target.labelId).depth);
    const MessageListing listing =
        co_await listLabel(target.labelId, depth * firstPageSize, Priority::Background);
    if (!self)
        co_return ListedLabel{};
    QStringList ids = listing.ids;
    const QStringList toFetch = ReconcilePlan::toFetch(ids, self->m_fullSync->fetched);
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, store, m_pacer, Priority::Background, toFetch, true);
    // What arrived stays, even when the rest failed.
    store->upsert(fetched.summaries);
    if (!self)
        co_return ListedLabel{};
    for (const MessageSummary& summary : fetched.summaries)
        self->m_fullSync->fetched.insert(summary.id());
    for (const QString& id : fetched.missing) {
        self->m_fullSync->fetched.insert(id);
        ids.removeAll(id);
    }
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    const bool whole = listing.isComplete();
    // A label that shrank below the depth reached ends sooner now.
    const int reached = whole ? pagesFor(listing.ids.size(), firstPageSize) : depth;
    co_return ListedLabel{ReconcilePlan::Page{target.labelId, ids, whole},
                          LabelPages{reached, listing.nextPageToken, whole}, depth};
}

void SyncEngine::reconcile(const QList<ReconcilePlan::Page>& pages)
{
    ReconcilePlan plan;
    // The snapshot goes before the store changes (see applyHistory).
    {
        const MailStore::State state = m_store->snapshot();
        plan = ReconcilePlan::of(pages, state.summaries, state.loadedLabels);
    }
    if (!plan.kept.isEmpty())
        m_store->upsert(plan.kept);
    if (!plan.removed.isEmpty())
        m_store->removeMessages(plan.removed);
}

QCoro::Task<> SyncEngine::runIncrementalSync()
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const QString start = store->snapshot().historyId;
    QList<HistoryListDTO> pages = co_await allHistorySince(start);
    if (!self)
        co_return;
    co_await self->applyHistory(std::move(pages), start);
    if (!self)
        co_return;
    const QList<LabelInfo> labels = co_await self->fetchLabels();
    store->setLabels(labels);
}

QCoro::Task<QList<HistoryListDTO>> SyncEngine::allHistorySince(QString historyId)
{
    // Every page is gathered before anything moves: the history id may only
    // advance once all changes up to it are in the cache.
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<QuotaPacer> pacer = m_pacer;
    QList<HistoryListDTO> pages;
    std::optional<QString> pageToken;
    do {
        std::function<QCoro::Task<HistoryListDTO>()> call = [api, historyId, pageToken] {
            return api->listHistory(historyId, pageToken);
        };
        pages.append(co_await pacedCall<HistoryListDTO>(pacer, GmailQuota::historyList,
                                                        Priority::Background, std::move(call)));
        pageToken = pages.last().nextPageToken;
    } while (pageToken && !pageToken->isEmpty());
    co_return pages;
}

QCoro::Task<> SyncEngine::applyHistory(QList<HistoryListDTO> pages, QString startHistoryId)
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    if (m_range.startHistoryId != startHistoryId)
        m_range = RangeProgress{startHistoryId, {}};
    HistoryPlan plan;
    {
        // The snapshot shares the store's table, which the store copies
        // whole (a hundred thousand summaries, on the GUI thread) when it
        // changes while shared: it goes before anything is written.
        const MailStore::State state = store->snapshot();
        QSet<QString> loaded;
        for (const QString& labelId : state.loadedLabels) {
            if (store->labelPages(labelId).depth > 0)
                loaded.insert(labelId);
        }
        plan = HistoryPlan::of(pages, state.summaries, loaded, m_range.fetched);
    }
    if (!plan.removed.isEmpty())
        store->removeMessages(plan.removed);
    if (!plan.relabelled.isEmpty())
        store->upsert(plan.relabelled);
    if (!plan.toFetch.isEmpty()) {
        const SummaryFetch fetched = co_await fetchSummaries(
            m_api, store, m_pacer, Priority::Background, plan.toFetch, true);
        if (!self)
            co_return;
        self->announce(fetched.summaries);
        store->upsert(fetched.summaries);
        for (const MessageSummary& summary : fetched.summaries)
            self->m_range.fetched.insert(summary.id());
        for (const QString& id : fetched.missing)
            self->m_range.fetched.insert(id);
        if (fetched.failure)
            std::rethrow_exception(fetched.failure);
    }
    if (plan.historyId) {
        store->setHistoryId(*plan.historyId);
        self->m_range = RangeProgress{};
    }
}

void SyncEngine::announce(const QList<MessageSummary>& fetched)
{
    if (!notificationsArmed())
        return;
    const MailStore::State cached = m_store->snapshot();
    // One announcement for all of them: a burst of notifications says less.
    QList<MessageSummary> arrived;
    for (const MessageSummary& summary : fetched) {
        if (summary.hasLabel(inboxLabel) && summary.hasLabel(unreadLabel) &&
            !cached.summaries.contains(summary.id()))
            arrived.append(summary);
    }
    if (!arrived.isEmpty())
        m_poster->postNewMessages(m_account, arrived);
}

QCoro::Task<> SyncEngine::loadLabelMessages(QString labelId, int maxResults)
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const MessageListing listing = co_await listLabel(labelId, maxResults, Priority::Interactive);
    if (!self)
        co_return;
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, store, m_pacer, Priority::Interactive, listing.ids, false);
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    store->upsert(fetched.summaries);
    store->setLabelPages(labelId, LabelPages{1, listing.nextPageToken, listing.isComplete()});
    if (self)
        Q_EMIT self->changed();
}

QCoro::Task<> SyncEngine::loadNextPage(QString labelId)
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const LabelPages before = store->labelPages(labelId);
    if (before.complete)
        co_return;
    std::optional<MessageListing> listing;
    if (!before.nextPageToken.isEmpty()) {
        const std::optional<QString> token = before.nextPageToken;
        try {
            listing = co_await listLabel(labelId, firstPageSize, Priority::Interactive, token);
        } catch (const GmailError& e) {
            // It names a message that has left the label since: the pages
            // reached are listed again below, at one call per 500.
            if (!MessageListing::isRefusedToken(e))
                throw;
        }
    }
    const bool relisted = !listing;
    if (relisted) {
        const int count = (before.depth + 1) * firstPageSize;
        listing = co_await listLabel(labelId, count, Priority::Interactive);
    }
    if (!self)
        co_return;
    // Cached messages are kept current by the history: only the new ones
    // cost a request.
    const QStringList toFetch = uncached(listing->ids, *store);
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, store, m_pacer, Priority::Interactive, toFetch, true);
    // What arrived stays, even when the rest failed; the depth only moves
    // once the whole page is in.
    store->upsert(fetched.summaries);
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    const bool whole = listing->isComplete();
    const int depth = relisted && whole
                          ? std::min(before.depth + 1, pagesFor(listing->ids.size(), firstPageSize))
                          : before.depth + 1;
    store->setLabelPages(labelId, LabelPages{depth, listing->nextPageToken, whole});
    if (self)
        Q_EMIT self->changed();
}

QCoro::Task<MessageListPage> SyncEngine::searchPage(QString query, int pageSize, QString pageToken,
                                                    int loaded)
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<MailStore> store = m_store;
    const std::shared_ptr<QuotaPacer> pacer = m_pacer;
    const QString anyLabel;
    std::optional<MessageListing> listing;
    if (!pageToken.isEmpty()) {
        const std::optional<QString> token = pageToken;
        try {
            listing = co_await MessageListing::list(api, pacer, Priority::Interactive, anyLabel,
                                                    query, pageSize, token);
        } catch (const GmailError& e) {
            if (!MessageListing::isRefusedToken(e))
                throw;
        }
    }
    if (!listing) {
        const int count = pageToken.isEmpty() ? pageSize : loaded + pageSize;
        listing = co_await MessageListing::list(api, pacer, Priority::Interactive, anyLabel, query,
                                                count);
    }
    const SummaryFetch fetched =
        co_await fetchSummaries(api, store, pacer, Priority::Interactive, listing->ids, false);
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    store->upsert(fetched.summaries);
    co_return MessageListPage{fetched.summaries, listing->nextPageToken};
}

void SyncEngine::start(std::chrono::milliseconds interval)
{
    m_interval = interval;
    ++m_loopGeneration;
    scheduleTick(m_loopGeneration);
}

void SyncEngine::stop()
{
    ++m_loopGeneration;
}

void SyncEngine::scheduleTick(quint64 generation)
{
    // The timer's context is the engine: a released engine's wake-up never runs.
    QTimer::singleShot(nextPause(), this, [this, generation] {
        if (generation == m_loopGeneration)
            tick(generation);
    });
}

QCoro::Task<> SyncEngine::tick(quint64 generation)
{
    QPointer<SyncEngine> self(this);
    try {
        co_await syncNow();
    } catch (...) {
        // syncNow keeps its failures in lastError; nothing may escape a
        // detached task.
    }
    if (self && generation == self->m_loopGeneration)
        self->scheduleTick(generation);
}

} // namespace vesk
