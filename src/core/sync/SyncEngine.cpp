#include "SyncEngine.h"

#include "SummaryFetch.h"
#include "gmail/DescribedError.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "model/MailStore.h"
#include "notifications/NotificationPosting.h"

#include <QPointer>
#include <QSet>
#include <QTimer>

namespace vesk {

namespace {

const QString inboxLabel = QStringLiteral("INBOX");
const QString unreadLabel = QStringLiteral("UNREAD");
constexpr int firstPageSize = 75;

QStringList idsOf(const MessageListDTO& list)
{
    QStringList ids;
    if (list.messages) {
        for (const MessageListDTO::Ref& ref : *list.messages)
            ids.append(ref.id);
    }
    return ids;
}

} // namespace

SyncEngine::SyncEngine(AccountIdentity account, std::shared_ptr<GmailAPIClient> api,
                       std::shared_ptr<MailStore> store,
                       std::shared_ptr<NotificationPosting> poster, QObject* parent)
    : QObject(parent)
    , m_account(std::move(account))
    , m_api(std::move(api))
    , m_store(std::move(store))
    , m_poster(std::move(poster))
{}

SyncEngine::~SyncEngine() = default;

std::optional<QString> SyncEngine::lastError() const
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

void SyncEngine::finishSync(std::optional<QString> error)
{
    {
        QMutexLocker lock(&m_lock);
        m_lastError = std::move(error);
    }
    Q_EMIT changed();
}

QCoro::Task<> SyncEngine::initialSync()
{
    QPointer<SyncEngine> self(this);
    std::optional<QString> error;
    try {
        co_await runInitialSync();
    } catch (const std::exception& e) {
        error = describeError(e);
    }
    if (self)
        self->finishSync(std::move(error));
}

QCoro::Task<> SyncEngine::runInitialSync()
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    const GmailProfileDTO profile = co_await api->profile();
    store->setHistoryId(profile.historyId);
    store->setLabels(co_await api->labels());
    if (!self)
        co_return;
    co_await self->loadLabelMessages(inboxLabel, firstPageSize);
}

QCoro::Task<> SyncEngine::syncNow()
{
    QPointer<SyncEngine> self(this);
    if (m_store->snapshot().historyId.isEmpty()) {
        co_await initialSync();
        co_return;
    }
    std::optional<QString> error;
    bool expired = false;
    try {
        co_await runIncrementalSync();
    } catch (const GmailError& e) {
        expired = e.kind() == GmailError::Kind::HistoryExpired;
        error = e.description();
    } catch (const std::exception& e) {
        error = describeError(e);
    }
    if (!self)
        co_return;
    if (expired)
        co_await self->initialSync();
    else
        self->finishSync(std::move(error));
}

QCoro::Task<> SyncEngine::runIncrementalSync()
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    HistoryListDTO history = co_await allHistorySince(store->snapshot().historyId);
    if (!self)
        co_return;
    co_await self->applyHistory(std::move(history));
    store->setLabels(co_await api->labels());
}

QCoro::Task<HistoryListDTO> SyncEngine::allHistorySince(QString historyId)
{
    // Every page is gathered before anything moves: the history id may only
    // advance once all changes up to it are in the cache.
    const std::shared_ptr<GmailAPIClient> api = m_api;
    HistoryListDTO all;
    std::optional<QString> pageToken;
    do {
        HistoryListDTO page = co_await api->listHistory(historyId, pageToken);
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

QCoro::Task<> SyncEngine::applyHistory(HistoryListDTO history)
{
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    QStringList changedOrder;
    QSet<QString> changed;
    QSet<QString> deleted;
    const auto noteChanged = [&](const std::optional<MessageDTO>& message) {
        if (message && !changed.contains(message->id)) {
            changed.insert(message->id);
            changedOrder.append(message->id);
        }
    };
    for (const HistoryListDTO::Record& record :
         history.history.value_or(QList<HistoryListDTO::Record>())) {
        for (const auto& added :
             record.messagesAdded.value_or(QList<HistoryListDTO::Record::MessageRef>()))
            noteChanged(added.message);
        for (const auto& removed :
             record.messagesDeleted.value_or(QList<HistoryListDTO::Record::MessageRef>())) {
            if (removed.message)
                deleted.insert(removed.message->id);
        }
        for (const auto* changes : {&record.labelsAdded, &record.labelsRemoved}) {
            for (const auto& change :
                 changes->value_or(QList<HistoryListDTO::Record::LabelChange>()))
                noteChanged(change.message);
        }
    }
    if (!deleted.isEmpty())
        store->removeMessages(deleted.values());
    QStringList toFetch;
    for (const QString& id : changedOrder) {
        if (!deleted.contains(id))
            toFetch.append(id);
    }
    if (!toFetch.isEmpty()) {
        const SummaryFetch fetched = co_await fetchSummaries(m_api, store, toFetch, true);
        if (!self)
            co_return;
        self->announce(fetched.summaries);
        store->upsert(fetched.summaries);
        if (fetched.failure)
            std::rethrow_exception(fetched.failure);
    }
    if (history.historyId)
        store->setHistoryId(*history.historyId);
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
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<MailStore> store = m_store;
    QPointer<SyncEngine> self(this);
    // Braced lists inside a co_await expression trip GCC 12; name them first.
    const QStringList labels{labelId};
    const MessageListDTO list =
        co_await api->listMessages(std::nullopt, labels, maxResults, std::nullopt);
    if (!self)
        co_return;
    const SummaryFetch fetched = co_await fetchSummaries(api, store, idsOf(list), false);
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
    QPointer<SyncEngine> self(this);
    const MessageListDTO list =
        co_await api->listMessages(query, QStringList(), maxResults, std::nullopt);
    if (!self)
        co_return QList<MessageSummary>();
    const SummaryFetch fetched = co_await fetchSummaries(api, store, idsOf(list), false);
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
