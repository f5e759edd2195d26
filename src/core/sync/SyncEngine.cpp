#include "SyncEngine.h"

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

#include <QHash>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace vesk {

namespace {

using Priority = QuotaPacer::Priority;

const QString inboxLabel = SystemLabels::inbox();
const QString unreadLabel = SystemLabels::unread();

QStringList idsOf(const MessageListDTO& list)
{
    QStringList ids;
    if (list.messages) {
        for (const MessageListDTO::Ref& ref : *list.messages)
            ids.append(ref.id);
    }
    return ids;
}

/// What one history answer asks of the cache, in the order it names messages.
struct HistoryChanges
{
    QStringList changedOrder;
    QSet<QString> deleted;
    /// The labels a message carries after its last change, when Google said.
    QHash<QString, std::optional<QStringList>> labelsAfter;
};

HistoryChanges changesOf(const HistoryListDTO& history)
{
    HistoryChanges changes;
    const auto noteChanged = [&](const std::optional<MessageDTO>& message) {
        if (!message)
            return;
        if (!changes.labelsAfter.contains(message->id))
            changes.changedOrder.append(message->id);
        changes.labelsAfter.insert(message->id, message->labelIds);
    };
    for (const HistoryListDTO::Record& record :
         history.history.value_or(QList<HistoryListDTO::Record>())) {
        for (const auto& added :
             record.messagesAdded.value_or(QList<HistoryListDTO::Record::MessageRef>()))
            noteChanged(added.message);
        for (const auto& removed :
             record.messagesDeleted.value_or(QList<HistoryListDTO::Record::MessageRef>())) {
            if (removed.message)
                changes.deleted.insert(removed.message->id);
        }
        for (const auto* labelChanges : {&record.labelsAdded, &record.labelsRemoved}) {
            for (const auto& change :
                 labelChanges->value_or(QList<HistoryListDTO::Record::LabelChange>()))
                noteChanged(change.message);
        }
    }
    return changes;
}

/// The oldest date among a page's cached messages: below it the page says
/// nothing about what the label holds.
qint64 pageCutoff(const QStringList& ids, const MailStore::State& state)
{
    qint64 oldest = std::numeric_limits<qint64>::max();
    for (const QString& id : ids) {
        if (const MessageSummary* cached = state.summaries.find(id))
            oldest = std::min(oldest, cached->internalDateMs());
    }
    return oldest;
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
    {
        QMutexLocker lock(&m_lock);
        m_lastError = std::move(error);
    }
    Q_EMIT changed();
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
    std::optional<SessionError> error;
    try {
        co_await runInitialSync();
    } catch (const std::exception& e) {
        error = SessionError::from(e);
    }
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

QCoro::Task<MessageListDTO> SyncEngine::listLabel(QString labelId, int maxResults,
                                                  Priority priority)
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    std::function<QCoro::Task<MessageListDTO>()> call = [api, labelId, maxResults] {
        const QStringList labels{labelId};
        return api->listMessages(std::nullopt, labels, maxResults, std::nullopt);
    };
    co_return co_await pacedCall<MessageListDTO>(m_pacer, GmailQuota::messagesList, priority,
                                                 std::move(call));
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

    // Every label the user has opened is brought back to what Google shows,
    // not only the inbox; a label since deleted at Google holds nothing.
    QStringList toLoad{inboxLabel};
    QStringList others = store->snapshot().loadedLabels.values();
    std::sort(others.begin(), others.end());
    for (const QString& id : others) {
        if (id != inboxLabel)
            toLoad.append(id);
    }
    QList<LabelPage> pages;
    for (const QString& id : toLoad) {
        const bool exists = std::any_of(labels.begin(), labels.end(),
                                        [&](const LabelInfo& label) { return label.id == id; });
        pages.append(co_await self->fetchFullSyncPage(id, exists || id == inboxLabel));
        if (!self)
            co_return;
    }
    self->reconcile(pages);
    for (const LabelPage& page : pages)
        store->markLabelLoaded(page.labelId);
    // Only now: a failure before this point leaves the next attempt a full
    // synchronisation again, which picks up where this one stopped.
    store->setHistoryId(self->m_fullSync->historyId);
    self->m_fullSync.reset();
}

QCoro::Task<SyncEngine::LabelPage> SyncEngine::fetchFullSyncPage(QString labelId, bool exists)
{
    if (!exists)
        co_return LabelPage{labelId, {}, true};
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const MessageListDTO list = co_await listLabel(labelId, firstPageSize, Priority::Background);
    if (!self)
        co_return LabelPage{};
    QStringList ids = idsOf(list);
    QStringList toFetch;
    for (const QString& id : ids) {
        if (!self->m_fullSync->fetched.contains(id))
            toFetch.append(id);
    }
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, store, m_pacer, Priority::Background, toFetch, true);
    // What arrived stays, even when the rest failed.
    store->upsert(fetched.summaries);
    if (!self)
        co_return LabelPage{};
    for (const MessageSummary& summary : fetched.summaries)
        self->m_fullSync->fetched.insert(summary.id());
    for (const QString& id : fetched.missing) {
        self->m_fullSync->fetched.insert(id);
        ids.removeAll(id);
    }
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    co_return LabelPage{labelId, ids, !list.nextPageToken || list.nextPageToken->isEmpty()};
}

void SyncEngine::reconcile(const QList<LabelPage>& pages)
{
    QList<MessageSummary> kept;
    QStringList removed;
    // The snapshot goes before the store changes (see applyHistory).
    {
        const MailStore::State state = m_store->snapshot();
        QSet<QString> loaded = state.loadedLabels;
        for (const LabelPage& page : pages)
            loaded.insert(page.labelId);

        // A cached message the newest page should have shown but did not has left
        // the label (or the mailbox).
        QHash<QString, MessageSummary> patched;
        for (const LabelPage& page : pages) {
            const QSet<QString> listed(page.ids.begin(), page.ids.end());
            const qint64 cutoff =
                page.whole ? std::numeric_limits<qint64>::min() : pageCutoff(page.ids, state);
            for (const MessageSummary& cached : state.summaries) {
                MessageSummary current = patched.value(cached.id(), cached);
                if (!current.hasLabel(page.labelId) || listed.contains(current.id()) ||
                    current.internalDateMs() <= cutoff)
                    continue;
                QStringList labels = current.labelIds();
                labels.removeAll(page.labelId);
                current.setLabelIds(labels);
                patched.insert(current.id(), current);
            }
        }
        // A message in no loaded label is removed, also one that left them
        // earlier (archived while only the inbox was loaded): no full sync would
        // ever look at it again, so it would stay, stale, even once deleted.
        for (const MessageSummary& cached : state.summaries) {
            const auto found = patched.constFind(cached.id());
            const MessageSummary& summary = found == patched.constEnd() ? cached : *found;
            const bool inLoadedLabel =
                std::any_of(summary.labelIds().begin(), summary.labelIds().end(),
                            [&](const QString& label) { return loaded.contains(label); });
            if (!inLoadedLabel)
                removed.append(summary.id());
            else if (found != patched.constEnd())
                kept.append(summary);
        }
    }
    if (!kept.isEmpty())
        m_store->upsert(kept);
    if (!removed.isEmpty())
        m_store->removeMessages(removed);
}

QCoro::Task<> SyncEngine::runIncrementalSync()
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const QString start = store->snapshot().historyId;
    HistoryListDTO history = co_await allHistorySince(start);
    if (!self)
        co_return;
    co_await self->applyHistory(std::move(history), start);
    if (!self)
        co_return;
    const QList<LabelInfo> labels = co_await self->fetchLabels();
    store->setLabels(labels);
}

QCoro::Task<HistoryListDTO> SyncEngine::allHistorySince(QString historyId)
{
    // Every page is gathered before anything moves: the history id may only
    // advance once all changes up to it are in the cache.
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<QuotaPacer> pacer = m_pacer;
    HistoryListDTO all;
    std::optional<QString> pageToken;
    do {
        std::function<QCoro::Task<HistoryListDTO>()> call = [api, historyId, pageToken] {
            return api->listHistory(historyId, pageToken);
        };
        HistoryListDTO page = co_await pacedCall<HistoryListDTO>(
            pacer, GmailQuota::historyList, Priority::Background, std::move(call));
        if (page.history) {
            if (!all.history)
                all.history.emplace();
            all.history->append(std::move(*page.history));
        }
        if (page.historyId)
            all.historyId = page.historyId;
        pageToken = page.nextPageToken;
    } while (pageToken && !pageToken->isEmpty());
    co_return all;
}

QCoro::Task<> SyncEngine::applyHistory(HistoryListDTO history, QString startHistoryId)
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const HistoryChanges changes = changesOf(history);
    if (!changes.deleted.isEmpty())
        store->removeMessages(changes.deleted.values());
    if (m_range.startHistoryId != startHistoryId)
        m_range = RangeProgress{startHistoryId, {}};

    // A label change carries the message's labels afterwards: a cached
    // message takes them as they are, costing no request. Only messages new
    // to the cache, or whose change did not say, are fetched, and none twice
    // for one range.
    QList<MessageSummary> relabelled;
    QStringList toFetch;
    {
        // The snapshot shares the store's table, which the store copies
        // whole (a hundred thousand summaries, on the GUI thread) when it
        // changes while shared: it goes before anything is written.
        const MailStore::State state = store->snapshot();
        for (const QString& id : changes.changedOrder) {
            if (changes.deleted.contains(id))
                continue;
            const std::optional<QStringList> labels = changes.labelsAfter.value(id);
            const MessageSummary* cached = state.summaries.find(id);
            if (cached && labels) {
                if (cached->labelIds() != *labels) {
                    MessageSummary summary = *cached;
                    summary.setLabelIds(*labels);
                    relabelled.append(summary);
                }
            } else if (!m_range.fetched.contains(id)) {
                toFetch.append(id);
            }
        }
    }
    if (!relabelled.isEmpty())
        store->upsert(relabelled);
    if (!toFetch.isEmpty()) {
        const SummaryFetch fetched =
            co_await fetchSummaries(m_api, store, m_pacer, Priority::Background, toFetch, true);
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
    if (history.historyId) {
        store->setHistoryId(*history.historyId);
        self->m_range = RangeProgress{};
    }
}

void SyncEngine::announce(const QList<MessageSummary>& fetched)
{
    if (!notificationsArmed())
        return;
    const MailStore::State cached = m_store->snapshot();
    for (const MessageSummary& summary : fetched) {
        if (summary.hasLabel(inboxLabel) && summary.hasLabel(unreadLabel) &&
            !cached.summaries.contains(summary.id()))
            m_poster->postNewMessage(m_account, summary);
    }
}

QCoro::Task<> SyncEngine::loadLabelMessages(QString labelId, int maxResults)
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const MessageListDTO list = co_await listLabel(labelId, maxResults, Priority::Interactive);
    if (!self)
        co_return;
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, store, m_pacer, Priority::Interactive, idsOf(list), false);
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    store->upsert(fetched.summaries);
    store->markLabelLoaded(labelId);
    if (self)
        Q_EMIT self->changed();
}

QCoro::Task<QList<MessageSummary>> SyncEngine::search(QString query, int maxResults)
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<MailStore> store = m_store;
    const std::shared_ptr<QuotaPacer> pacer = m_pacer;
    std::function<QCoro::Task<MessageListDTO>()> call = [api, query, maxResults] {
        return api->listMessages(query, QStringList(), maxResults, std::nullopt);
    };
    const MessageListDTO list = co_await pacedCall<MessageListDTO>(
        pacer, GmailQuota::messagesList, Priority::Interactive, std::move(call));
    const SummaryFetch fetched =
        co_await fetchSummaries(api, store, pacer, Priority::Interactive, idsOf(list), false);
    if (fetched.failure)
        std::rethrow_exception(fetched.failure);
    store->upsert(fetched.summaries);
    co_return fetched.summaries;
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
    QTimer::singleShot(m_interval, this, [this, generation] {
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
