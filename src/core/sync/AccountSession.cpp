#include "AccountSession.h"

#include "JournalSender.h"
#include "SwitchedPoster.h"
#include "SyncEngine.h"
#include "auth/TokenVault.h"
#include "gmail/LiveGmailAPI.h"
#include "model/CachePreload.h"
#include "model/ChangeJournal.h"
#include "model/MailStore.h"
#include "model/OfflineLimit.h"
#include "model/OfflineThreads.h"
#include "model/SystemLabels.h"
#include "net/DescribedError.h"
#include "net/Reachability.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace vesk {

namespace {

const QString inbox = SystemLabels::inbox();
const QString unread = SystemLabels::unread();

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
    // The engine and the journal pace every call they make, so quota
    // refusals go back to their pacer rather than to quick retries; the
    // calls made without it (a conversation opened, an attachment) keep them.
    const auto paced =
        std::make_shared<LiveGmailAPI>(services.transport, m_vault, services.gmailEndpoints,
                                       services.retryPolicy.leavingQuotaToPacer());
    m_engine = std::make_unique<SyncEngine>(m_identity, paced, m_store, m_poster);
    // Queued: the engine's news is taken in on the GUI thread, and not at all
    // once the session is gone.
    connect(m_engine.get(), &SyncEngine::changed, this, &AccountSession::refreshFromStore,
            Qt::QueuedConnection);

    m_journal =
        std::make_shared<ChangeJournal>(ChangeJournal::pathBesideCache(m_store->filePath()));
    // What waited at the end of the last run stays on top of what Google
    // says until it is sent.
    m_store->addPendingChanges(m_journal->changes());
    m_sender = new JournalSender(m_journal, paced, m_store, m_engine->pacer(), this);
    connect(m_sender, &JournalSender::journalChanged, this, [this] {
        refreshFromStore();
        Q_EMIT waitingChangesChanged();
    });
    // A sync brings the sent changes back from Google, which settles them.
    connect(m_sender, &JournalSender::changesSent, this, [this] { syncNow(); });
    connect(m_sender, &JournalSender::changeRefused, this, &AccountSession::changeRefused);
    m_reachability = services.reachability;
    if (services.reachability) {
        connect(services.reachability, &Reachability::cameBack, this, [this] {
            if (m_started && !m_stopped) {
                syncNow();
                sendWaitingChanges();
            }
        });
    }
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
    m_sender->stop();
}

bool AccountSession::isOffline() const
{
    return m_reachability && !m_reachability->isOnline();
}

int AccountSession::waitingChanges() const
{
    return int(m_journal->changes().size());
}

QCoro::Task<> AccountSession::sendWaitingChanges()
{
    try {
        co_await m_sender->play();
    } catch (...) {
        // The sender keeps its failures in the journal; this task may run
        // detached.
    }
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
    m_started = true;
    // What waited from the last run goes first: the sync then finds it made.
    if (!m_journal->isEmpty())
        sendWaitingChanges();
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

void AccountSession::closeThread()
{
    setOpenThread(std::nullopt, QList<FullMessage>());
}

QCoro::Task<MessageListPage> AccountSession::searchPage(QString query, QString pageToken,
                                                        int loaded)
{
    QPointer<AccountSession> self(this);
    setSyncing(true);
    std::optional<MessageListPage> page;
    std::exception_ptr failure;
    try {
        page = co_await m_engine->searchPage(query, searchSize, pageToken, loaded);
    } catch (...) {
        failure = std::current_exception();
    }
    if (self) {
        self->setSyncing(false);
        self->refreshFromStore();
    }
    if (failure)
        std::rethrow_exception(failure);
    co_return std::move(*page);
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
    // what the reader shows now; a session dropped meanwhile shows nothing.
    if (!self)
        co_return;
    if (m_openThreadId == threadId)
        setOpenThread(threadId, messages);
    if (!anyUnread)
        co_return;
    // (Changes are built outside the co_await expressions: braced lists there
    // trip GCC 12.)
    PendingChange read =
        PendingChange::labels(QStringList(threadId), QStringList(), QStringList(unread));
    co_await makeChange(std::move(read));
}

std::optional<PendingChange> AccountSession::recordChange(PendingChange change)
{
    const QList<MessageSummary> messages = m_store->threadMessages(change.threadIds);
    if (!messages.isEmpty()) {
        const QString& first = change.threadIds.constFirst();
        const auto named = std::find_if(messages.cbegin(), messages.cend(),
                                        [&first](const auto& m) { return m.threadId() == first; });
        change.subject = (named != messages.cend() ? *named : messages.constFirst()).subject();
        // Only what it changes, so that taking it back restores what was.
        const auto anyHas = [&messages](const QString& label) {
            return std::any_of(messages.cbegin(), messages.cend(),
                               [&label](const MessageSummary& m) { return m.hasLabel(label); });
        };
        const auto anyLacks = [&messages](const QString& label) {
            return std::any_of(messages.cbegin(), messages.cend(),
                               [&label](const MessageSummary& m) { return !m.hasLabel(label); });
        };
        change.add.removeIf([&](const QString& label) { return !anyLacks(label); });
        change.remove.removeIf([&](const QString& label) { return !anyHas(label); });
        if (change.kind == PendingChange::Kind::Labels && change.add.isEmpty() &&
            change.remove.isEmpty())
            return std::nullopt;
    }
    if (change.kind == PendingChange::Kind::Trash && m_openThreadId &&
        change.threadIds.contains(*m_openThreadId))
        setOpenThread(std::nullopt, QList<FullMessage>());
    bool written = true;
    change = m_journal->record(std::move(change), &written);
    if (!written) {
        Q_EMIT noticeRaised(SessionError{
            QCoreApplication::translate("vesk::AccountSession",
                                        "Não foi possível guardar a alteração no disco: se fechar "
                                        "o VESK antes de a ligação voltar, perde-se."),
            SessionError::Kind::Other, m_journal->filePath()});
    }
    m_store->addPendingChanges({change});
    refreshFromStore();
    Q_EMIT waitingChangesChanged();
    return change;
}

QCoro::Task<> AccountSession::makeChange(PendingChange change)
{
    if (recordChange(std::move(change)))
        co_await sendWaitingChanges();
}

QCoro::Task<> AccountSession::undoChange(PendingChange change)
{
    const QList<PendingChange> waiting = m_journal->changes();
    const bool unsent = std::any_of(waiting.cbegin(), waiting.cend(),
                                    [&change](const auto& c) { return c.id == change.id; });
    if (unsent && !m_sender->isSending(change.id)) {
        // Gmail never hears of it.
        m_journal->remove(change.id);
        m_store->dropPendingChange(change.id, true);
        refreshFromStore();
        Q_EMIT waitingChangesChanged();
        co_return;
    }
    co_await makeChange(change.reversed());
}

} // namespace vesk
