#include "AccountSession.h"

#include "SwitchedPoster.h"
#include "SyncEngine.h"
#include "auth/TokenVault.h"
#include "gmail/LiveGmailAPI.h"
#include "model/CachePreload.h"
#include "model/MailStore.h"
#include "model/OfflineLimit.h"
#include "model/OfflineThreads.h"
#include "model/SystemLabels.h"
#include "net/DescribedError.h"

#include <QPointer>

#include <algorithm>

namespace vesk {

namespace {

const QString inbox = SystemLabels::inbox();
const QString unread = SystemLabels::unread();

AccountSession::LabelChange adding(QString labelId)
{
    return [labelId](QStringList labels) {
        if (!labels.contains(labelId))
            labels.append(labelId);
        return labels;
    };
}

AccountSession::LabelChange removing(QString labelId)
{
    return [labelId](QStringList labels) {
        labels.removeAll(labelId);
        return labels;
    };
}

} // namespace

AccountSession::AccountSession(AccountIdentity identity, const SessionServices& services,
                               bool notificationsEnabled, QObject* parent)
    : QObject(parent)
    , m_identity(std::move(identity))
    , m_syncInterval(services.syncInterval)
{
    m_vault = std::make_shared<TokenVault>(m_identity.email, services.oauthConfig,
                                           services.transport, services.oauthEndpoints);
    m_api = std::make_shared<LiveGmailAPI>(services.transport, m_vault, services.gmailEndpoints,
                                           services.retryPolicy);
    m_store = std::make_shared<MailStore>(
        m_identity.email, services.storeBaseDirectory, systemWallClock(),
        services.cachePreload ? services.cachePreload->take(m_identity.email) : std::nullopt);
    const std::shared_ptr<OfflineLimit> limit = services.offlineLimit;
    m_offline = std::make_shared<OfflineThreads>(
        m_identity.email, services.storeBaseDirectory,
        limit ? limit->bytes() : qint64(OfflineLimit::defaultMegabytes) * 1024 * 1024);
    if (limit) {
        connect(limit.get(), &OfflineLimit::changed, this,
                [this, limit] { m_offline->setLimit(limit->bytes()); });
    }
    m_poster = std::make_shared<SwitchedPoster>(services.poster, notificationsEnabled);
    m_engine = std::make_unique<SyncEngine>(m_identity, m_api, m_store, m_poster);
    // Queued: the engine's news is taken in on the GUI thread, and not at all
    // once the session is gone.
    connect(m_engine.get(), &SyncEngine::changed, this, &AccountSession::refreshFromStore,
            Qt::QueuedConnection);
    refreshFromStore();
}

AccountSession::~AccountSession() = default;

qint64 AccountSession::inboxUnread() const
{
    const auto it = std::find_if(m_labels.cbegin(), m_labels.cend(),
                                 [](const LabelInfo& label) { return label.id == inbox; });
    return it == m_labels.cend() ? 0 : it->messagesUnread;
}

bool AccountSession::notificationsEnabled() const
{
    return m_poster->isEnabled();
}

void AccountSession::setNotificationsEnabled(bool enabled)
{
    m_poster->setEnabled(enabled);
}

void AccountSession::stop()
{
    m_stopped = true;
    m_engine->stop();
}

void AccountSession::refreshFromStore()
{
    const MailStore::State state = m_store->snapshot();
    if (state.labels != m_labels) {
        m_labels = state.labels;
        Q_EMIT labelsChanged();
    }
    setLastError(m_engine->lastFailure());
    ++m_revision;
    Q_EMIT revisionChanged();
}

void AccountSession::setSyncing(bool syncing)
{
    if (m_isSyncing == syncing)
        return;
    m_isSyncing = syncing;
    Q_EMIT isSyncingChanged();
}

QString AccountSession::lastError() const
{
    return m_lastError ? m_lastError->text : QString();
}

SessionError::Kind AccountSession::lastErrorKind() const
{
    return m_lastError ? m_lastError->kind : SessionError::Kind::Other;
}

void AccountSession::setLastError(std::optional<SessionError> error)
{
    if (m_lastError == error)
        return;
    m_lastError = std::move(error);
    Q_EMIT lastErrorChanged();
}

void AccountSession::setOpenThread(std::optional<QString> threadId, QList<FullMessage> messages,
                                   bool opening, std::optional<SessionError> error)
{
    if (m_openThreadId == threadId && m_openThreadMessages == messages &&
        m_isOpeningThread == opening && m_openThreadError == error)
        return;
    m_openThreadId = std::move(threadId);
    m_openThreadMessages = std::move(messages);
    m_isOpeningThread = opening;
    m_openThreadError = std::move(error);
    Q_EMIT openThreadChanged();
}

QCoro::Task<> AccountSession::startSync()
{
    QPointer<AccountSession> self(this);
    setSyncing(true);
    // A cache from an earlier run is brought up to date through the history
    // feed, so that what changed while the program was closed is applied.
    co_await m_engine->syncNow();
    if (!self)
        co_return;
    m_engine->setNotificationsArmed(true);
    // A session stopped during its first sync belongs to a removed account.
    if (!m_stopped)
        m_engine->start(m_syncInterval);
    setSyncing(false);
    refreshFromStore();
}

QCoro::Task<> AccountSession::syncNow()
{
    QPointer<AccountSession> self(this);
    setSyncing(true);
    co_await m_engine->syncNow();
    if (!self)
        co_return;
    setSyncing(false);
    refreshFromStore();
}

QCoro::Task<> AccountSession::ensureLabelLoaded(QString labelId)
{
    if (m_store->snapshot().loadedLabels.contains(labelId))
        co_return;
    QPointer<AccountSession> self(this);
    setSyncing(true);
    try {
        co_await m_engine->loadLabelMessages(labelId, SyncEngine::firstPageSize);
    } catch (...) {
        // The label stays unloaded and is tried again on the next selection.
    }
    if (!self)
        co_return;
    setSyncing(false);
    refreshFromStore();
}

QCoro::Task<QList<ThreadSummary>> AccountSession::search(QString query)
{
    QPointer<AccountSession> self(this);
    setSyncing(true);
    const auto settle = [self] {
        if (self) {
            self->setSyncing(false);
            self->refreshFromStore();
        }
    };
    QList<MessageSummary> found;
    try {
        found = co_await m_engine->search(query, searchSize);
    } catch (...) {
        settle();
        throw;
    }
    settle();
    co_return ThreadSummary::group(found);
}

QCoro::Task<> AccountSession::openThread(QString threadId)
{
    QPointer<AccountSession> self(this);
    const std::shared_ptr<GmailAPIClient> api = m_api;
    const std::shared_ptr<OfflineThreads> offline = m_offline;
    // What was kept from an earlier reading shows at once, without a wait
    // or a connection; Google's answer replaces it when it comes.
    const std::optional<QList<FullMessage>> kept = offline->load(threadId);
    setOpenThread(threadId, kept.value_or(QList<FullMessage>()), !kept);
    ThreadDTO thread;
    try {
        thread = co_await api->getThread(threadId);
    } catch (const std::exception& error) {
        // Shown in the reader, where the person asked; only if they have not
        // gone on to another thread meanwhile, and not over a kept copy,
        // which is still worth reading.
        if (self && self->m_openThreadId == threadId && !kept)
            self->setOpenThread(threadId, QList<FullMessage>(), false, SessionError::from(error));
        co_return;
    }
    QList<FullMessage> messages;
    bool anyUnread = false;
    for (const MessageDTO& message : thread.messages.value_or(QList<MessageDTO>())) {
        messages.append(message.toFull());
        anyUnread = anyUnread || messages.last().labelIds.contains(unread);
    }
    offline->save(threadId, messages);
    // A slower fetch of a thread the user has since left must not replace
    // what the reader shows now.
    if (m_openThreadId == threadId)
        setOpenThread(threadId, messages);
    if (!anyUnread)
        co_return;
    co_await modifyThenPatch(threadId, QStringList(), QStringList(unread), removing(unread));
    if (self)
        co_await self->syncNow();
}

QCoro::Task<> AccountSession::modifyThenPatch(QString threadId, QStringList add, QStringList remove,
                                              LabelChange change)
{
    QPointer<AccountSession> self(this);
    const std::shared_ptr<GmailAPIClient> api = m_api;
    try {
        co_await api->modifyThread(threadId, add, remove);
    } catch (...) {
        // Optimistic: the local change stands; the next sync reconciles.
    }
    if (self)
        self->patchSummaries(threadId, change);
}

void AccountSession::patchSummaries(const QString& threadId, const LabelChange& change)
{
    QList<MessageSummary> changed;
    for (const MessageSummary& summary : m_store->snapshot().summaries) {
        if (summary.threadId() != threadId)
            continue;
        MessageSummary patched = summary;
        patched.setLabelIds(change(summary.labelIds()));
        changed.append(patched);
    }
    m_store->upsert(changed);
    refreshFromStore();
}

QCoro::Task<> AccountSession::archiveThread(QString threadId)
{
    co_await modifyThenPatch(threadId, QStringList(), QStringList(inbox), removing(inbox));
}

QCoro::Task<> AccountSession::toggleReadThread(QString threadId, bool markUnread)
{
    // (Lists are built outside the co_await expressions: braced lists there trip GCC 12.)
    const QStringList label(unread);
    if (markUnread)
        co_await modifyThenPatch(threadId, label, QStringList(), adding(unread));
    else
        co_await modifyThenPatch(threadId, QStringList(), label, removing(unread));
}

QCoro::Task<> AccountSession::setLabel(QString threadId, QString labelId, bool applied)
{
    const QStringList label(labelId);
    if (applied)
        co_await modifyThenPatch(threadId, label, QStringList(), adding(labelId));
    else
        co_await modifyThenPatch(threadId, QStringList(), label, removing(labelId));
}

QCoro::Task<> AccountSession::trashThread(QString threadId)
{
    QPointer<AccountSession> self(this);
    const std::shared_ptr<GmailAPIClient> api = m_api;
    try {
        co_await api->trashThread(threadId);
    } catch (...) {
        // Optimistic, as the other thread actions.
    }
    if (!self)
        co_return;
    QStringList ids;
    for (const MessageSummary& summary : m_store->snapshot().summaries) {
        if (summary.threadId() == threadId)
            ids.append(summary.id());
    }
    m_store->removeMessages(ids);
    if (m_openThreadId == threadId)
        setOpenThread(std::nullopt, QList<FullMessage>());
    refreshFromStore();
}

} // namespace vesk
