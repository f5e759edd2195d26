#include "AppState.h"

#include "AccountLinker.h"
#include "ListPaging.h"
#include "NoticeBoard.h"
#include "SettledNotifications.h"
#include "ThreadGrouping.h"
#include "UndoOffer.h"
#include "UnreadBadge.h"
#include "auth/OAuthConfig.h"
#include "auth/OAuthService.h"
#include "auth/TokenVault.h"
#include "compose/ComposerSession.h"
#include "compose/MailtoAddress.h"
#include "compose/Outbox.h"
#include "gmail/GmailAPIClient.h"
#include "model/CachePreload.h"
#include "model/ChangeJournal.h"
#include "model/MailStore.h"
#include "model/OfflineLimit.h"
#include "model/OfflineThreads.h"
#include "model/SystemLabels.h"
#include "net/DescribedError.h"
#include "net/Reachability.h"
#include "net/WatchedTransport.h"
#include "notifications/NotificationPosting.h"
#include "notifications/NotificationRouter.h"
#include "platform/SettingsStore.h"
#include "sync/AccountSession.h"
#include "sync/SyncEngine.h"
#include "transfers/TransferManager.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>

namespace vesk {

namespace {

const QString inbox = QStringLiteral("INBOX");

/// Spaces and tabs only: a search never spans lines.
QString trimmedSearch(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

/// Returns once the whole cache is in the store. A store may open on its
/// first-screen record while the cache is decoded: syncing, paging and
/// changing the mail wait for the cache rather than work on that picture of
/// it (or block the GUI thread in the store).
QCoro::Task<> cacheLoaded(std::shared_ptr<MailStore> store)
{
    QFutureWatcher<void> watcher;
    watcher.setFuture(store->loaded());
    // The signal, not the future, is awaited: a watcher may announce twice a
    // future that finishes while it is being set, and a coroutine must not
    // be resumed twice.
    if (!watcher.isFinished())
        co_await qCoro(&watcher, &QFutureWatcherBase::finished);
}

/// Returns once the whole cache is in, for work the user is waiting on: a
/// read held back for the window's first frame starts now.
QCoro::Task<> cacheWanted(std::shared_ptr<MailStore> store)
{
    store->loadNow();
    co_await cacheLoaded(std::move(store));
}

/// The session's sync, skipped once the session is gone.
QCoro::Task<> syncIfOpen(QPointer<AccountSession> session)
{
    if (!session)
        co_return;
    co_await cacheLoaded(session->store());
    if (session)
        co_await session->syncNow();
}

/// The label's newest page, when the cache holds none of it.
QCoro::Task<> loadLabel(QPointer<AccountSession> session, QString labelId)
{
    co_await cacheWanted(session->store());
    if (session)
        co_await session->ensureLabelLoaded(labelId);
}

/// The window takes the whole cache in once it has replaced the first-screen
/// record: the store has changed under the session.
QCoro::Task<> takeInCache(QPointer<AccountSession> session)
{
    co_await cacheLoaded(session->store());
    if (session)
        session->refreshFromStore();
}

/// Returns once the whole cache of each of the sessions still there is in,
/// for work the user is waiting on.
QCoro::Task<> cachesLoaded(QList<QPointer<AccountSession>> sessions)
{
    for (const QPointer<AccountSession>& session : sessions) {
        if (session)
            co_await cacheWanted(session->store());
    }
}

} // namespace

AppState::AppState(AppServices services, QObject* parent)
    : QObject(parent)
    , m_services(watched(std::move(services)))
    , m_registry(m_services.settings)
    , m_notices(new NoticeBoard(this))
    , m_linker(new AccountLinker(m_services.sessions, m_services.browser, this))
    , m_grouping(new ThreadGrouping(this))
    , m_composerWork(new QThreadPool(this))
    , m_paging(new ListPaging(this))
    , m_badge(std::make_unique<UnreadBadge>(m_services.sessions.poster))
    , m_undo(new UndoOffer(this))
{
    m_composerWork->setMaxThreadCount(1);
    const OAuthConfig* config = m_services.sessions.oauthConfig.get();
    Q_ASSERT(config);
    m_oauthConfigured = config->isConfigured();
    if (!m_services.sessions.offlineLimit)
        m_services.sessions.offlineLimit = std::make_shared<OfflineLimit>(m_services.settings);
    connect(m_linker, &AccountLinker::changed, this, &AppState::linkingChanged);
    connect(m_grouping, &ThreadGrouping::grouped, this, &AppState::threadsChanged);
    connect(m_paging, &ListPaging::changed, this, &AppState::pagingChanged);
    connect(m_paging, &ListPaging::searchGrew, this,
            [this] { setSearchOutcome(false, std::nullopt, m_paging->searchThreads()); });
    connect(this, &AppState::selectionChanged, this, &AppState::followShownList);
    connect(this, &AppState::sessionsChanged, this, &AppState::followShownList);
    connect(this, &AppState::searchChanged, this, &AppState::followShownList);
    connect(config, &OAuthConfig::clientIdChanged, this, &AppState::updateOAuthConfigured);
    connect(config, &OAuthConfig::clientSecretChanged, this, &AppState::updateOAuthConfigured);
    connect(m_services.reachability.get(), &Reachability::onlineChanged, this,
            &AppState::offlineChanged);
    connect(m_services.reachability.get(), &Reachability::cameBack, this, &AppState::sendOutboxes);
    m_registry.load();
    rebuildSessions();
    // Read for the accounts of this start only.
    m_services.sessions.cachePreload.reset();
    connect(&m_registry, &AccountRegistry::entriesChanged, this, &AppState::rebuildSessions);
    if (m_services.router) {
        QPointer<AppState> self(this);
        m_services.router->setOnOpen([self](const QString& accountId, const QString& threadId) {
            if (self)
                self->openFromNotification(accountId, threadId);
        });
        m_services.router->setOnAct([self](const QString& accountId, const QStringList& threadIds,
                                           NotificationAction action) {
            if (self)
                self->actFromNotification(accountId, threadIds, action);
        });
    }
}

AppServices AppState::watched(AppServices services)
{
    if (!services.reachability)
        services.reachability = std::make_shared<Reachability>(false);
    // Every request of every account and of linking tells it what it found.
    services.sessions.transport = std::make_shared<WatchedTransport>(
        std::move(services.sessions.transport), services.reachability.get());
    services.sessions.reachability = services.reachability.get();
    return services;
}

bool AppState::isOffline() const
{
    return !m_services.reachability->isOnline();
}

int AppState::waitingChanges() const
{
    int waiting = 0;
    for (const AccountSession* session : m_sessions) {
        waiting += session->waitingChanges();
        if (const Outbox* outbox = outboxOf(session)) {
            waiting += int(std::count_if(outbox->messages().cbegin(), outbox->messages().cend(),
                                         [](const OutboxMessage& m) { return !m.isHeld(); }));
        }
    }
    return waiting;
}

void AppState::postRefusal(const AccountSession& session, const PendingChange& change,
                           const SessionError& reason)
{
    const QString subject = change.subject.isEmpty() ? tr("(sem assunto)") : change.subject;
    QString label = change.namedLabel();
    if (!label.isEmpty())
        label = labelTitleIn(&session, label);
    m_notices->post(tr("Não foi possível %1 «%2» (%3): %4")
                        .arg(change.action(label), subject, session.id(), reason.text),
                    reason.details);
}

bool AppState::readCachesAhead(AppServices& services, CacheReadStart start)
{
    AccountRegistry registry(services.settings);
    registry.load();
    QStringList emails;
    for (const AccountRegistry::Entry& entry : registry.entries())
        emails.append(entry.identity.email);
    if (emails.isEmpty())
        return false;
    services.sessions.cachePreload =
        std::make_shared<CachePreload>(emails, services.sessions.storeBaseDirectory, start);
    return true;
}

void AppState::loadCachesNow() const
{
    for (AccountSession* session : m_sessions)
        session->store()->loadNow();
}

AppState::~AppState()
{
    // The program ends here: what the stores have not written yet goes now.
    for (AccountSession* session : std::as_const(m_sessions))
        session->store()->flush();
}

AccountSession* AppState::selectedSession() const
{
    if (m_sessions.isEmpty())
        return nullptr;
    const QString& wanted = isAllAccounts() ? m_threadAccountId : m_selectedAccountId;
    for (AccountSession* session : m_sessions) {
        if (session->id() == wanted)
            return session;
    }
    return m_sessions.first();
}

bool AppState::isAllAccounts() const
{
    return m_selectedAccountId == allAccountsId() && m_sessions.size() > 1;
}

qint64 AppState::unreadInAllInboxes() const
{
    qint64 unread = 0;
    for (const AccountSession* session : m_sessions)
        unread += session->inboxUnread();
    return unread;
}

QString AppState::listTitle() const
{
    if (!isAllAccounts())
        return labelTitle(m_selectedLabelId);
    if (m_selectedLabelId == inbox)
        return tr("Todas as contas");
    return tr("%1 — Todas as contas").arg(labelTitle(m_selectedLabelId));
}

void AppState::setSelectedAccount(const QString& email)
{
    if (m_selectedAccountId == email)
        return;
    m_selectedAccountId = email;
    Q_EMIT selectionChanged();
}

void AppState::selectAccount(const QString& email)
{
    setSelectedAccount(email);
    clearSearch();
    loadSelectedLabel();
}

void AppState::selectLabel(const QString& labelId)
{
    if (m_selectedLabelId != labelId) {
        m_selectedLabelId = labelId;
        Q_EMIT selectionChanged();
    }
    clearSearch();
    loadSelectedLabel();
}

void AppState::loadSelectedLabel()
{
    // The session skips a label already loaded, and keeps one that failed
    // unloaded for the next selection to try again.
    if (m_selectedLabelId == outboxId())
        return;
    if (isAllAccounts()) {
        for (AccountSession* session : std::as_const(m_sessions))
            loadLabel(session, m_selectedLabelId);
    } else if (AccountSession* session = selectedSession()) {
        loadLabel(session, m_selectedLabelId);
    }
}

QString AppState::labelTitle(const QString& labelId) const
{
    return labelTitleIn(selectedSession(), labelId);
}

QString AppState::labelTitleIn(const AccountSession* session, const QString& labelId)
{
    static const QList<std::pair<QString, const char*>> s_system{
        {SystemLabels::inbox(), QT_TRANSLATE_NOOP("vesk::AppState", "Caixa de entrada")},
        {SystemLabels::sent(), QT_TRANSLATE_NOOP("vesk::AppState", "Enviados")},
        {SystemLabels::draft(), QT_TRANSLATE_NOOP("vesk::AppState", "Rascunhos")},
        {SystemLabels::spam(), QT_TRANSLATE_NOOP("vesk::AppState", "Spam")},
        {SystemLabels::trash(), QT_TRANSLATE_NOOP("vesk::AppState", "Lixeira")},
        {SystemLabels::starred(), QT_TRANSLATE_NOOP("vesk::AppState", "Com estrela")},
        {SystemLabels::important(), QT_TRANSLATE_NOOP("vesk::AppState", "Importantes")},
        {SystemLabels::unread(), QT_TRANSLATE_NOOP("vesk::AppState", "Não lidas")},
        {outboxId(), QT_TRANSLATE_NOOP("vesk::AppState", "Caixa de saída")},
    };
    for (const auto& [id, title] : s_system) {
        if (id == labelId)
            return tr(title);
    }
    if (session) {
        for (const LabelInfo& label : session->labels()) {
            if (label.id == labelId && !label.name.isEmpty())
                return label.name;
        }
    }
    return labelId;
}

QCoro::Task<> AppState::refresh()
{
    if (!isAllAccounts()) {
        if (AccountSession* session = selectedSession())
            co_await syncIfOpen(session);
        co_return;
    }
    const QList<QPointer<AccountSession>> sessions(m_sessions.cbegin(), m_sessions.cend());
    for (const QPointer<AccountSession>& session : sessions)
        co_await syncIfOpen(session);
}

void AppState::setSearchText(const QString& text)
{
    if (m_searchText != text) {
        m_searchText = text;
        Q_EMIT searchTextChanged();
    }
}

void AppState::clearSearch()
{
    ++m_searchGeneration;
    if (!m_isSearching && m_searchResults.isEmpty())
        return;
    m_isSearching = false;
    setSearchOutcome(false, std::nullopt, {});
}

void AppState::setSearchOutcome(bool running, std::optional<SessionError> error,
                                QList<ThreadSummary> results)
{
    m_isSearchRunning = running;
    m_searchError = std::move(error);
    m_searchResults = std::move(results);
    Q_EMIT searchChanged();
}

void AppState::followShownList()
{
    // A search hands its pages over itself once its first page is in.
    if (m_isSearching)
        return;
    if (m_selectedLabelId == outboxId())
        m_paging->showNothing();
    else if (isAllAccounts())
        m_paging->showLabel(m_sessions, m_selectedLabelId);
    else
        m_paging->showLabel(selectedSession(), m_selectedLabelId);
}

bool AppState::isLoadingMore() const
{
    return m_paging->isLoading();
}

bool AppState::isListComplete() const
{
    return m_paging->isComplete();
}

std::optional<SessionError> AppState::loadMoreError() const
{
    return m_paging->error();
}

bool AppState::canLoadMore() const
{
    // While the label is grouped anew, the list still ends where it did.
    return m_paging->canLoadMore() && !m_grouping->isGrouping();
}

QCoro::Task<> AppState::loadMore()
{
    QPointer<AppState> self(this);
    const QList<QPointer<AccountSession>> sessions(m_sessions.cbegin(), m_sessions.cend());
    co_await cachesLoaded(sessions);
    if (self)
        co_await m_paging->loadMore();
}

qsizetype AppState::backgroundGroupingFrom()
{
    return ThreadGrouping::backgroundFrom();
}

const QList<ThreadSummary>& AppState::visibleThreads() const
{
    if (m_isSearching)
        return m_searchResults;
    if (m_selectedLabelId == outboxId()) {
        // A handful of messages at most: made again on each call.
        QList<MessageSummary> messages;
        if (const Outbox* outbox = outboxOf(selectedSession())) {
            for (const OutboxMessage& message : outbox->messages()) {
                const QString id = message.id.toString(QUuid::WithoutBraces);
                messages.append(
                    MessageSummary(id, outboxId() + u':' + id, {outboxId()}, message.body.left(200),
                                   tr("Para: %1").arg(message.to), QString(), message.subject,
                                   message.queuedAt.toMSecsSinceEpoch()));
            }
        }
        m_outboxThreads = ThreadSummary::group(messages);
        return m_outboxThreads;
    }
    if (isAllAccounts()) {
        const QList<const AccountSession*> all(m_sessions.cbegin(), m_sessions.cend());
        return m_grouping->threads(all, m_selectedLabelId);
    }
    return m_grouping->threads({selectedSession()}, m_selectedLabelId);
}

Outbox* AppState::outboxOf(const AccountSession* session)
{
    return session ? session->findChild<Outbox*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void AppState::attachOutbox(AccountSession* session)
{
    auto* outbox = new Outbox(session->id(), session->api(), session->engine().pacer(),
                              Outbox::folderBesideCache(session->store()->filePath()), session);
    connect(outbox, &Outbox::changed, this, [this] {
        Q_EMIT outboxChanged();
        Q_EMIT waitingChangesChanged();
        if (m_selectedLabelId == outboxId())
            Q_EMIT threadsChanged();
    });
    connect(outbox, &Outbox::messageSent, session, [session] { session->syncNow(); });
    connect(outbox, &Outbox::messageRefused, this, [this, session](const OutboxMessage& message) {
        // Back in a composer with the reason, unless the person is writing:
        // a window would then spring up under their hands, so it waits in
        // the outbox, held, with the reason.
        if (m_composers.isEmpty() && selectedSession() == session) {
            openFromOutbox(message.id);
            return;
        }
        m_notices->post(tr("O Gmail recusou a mensagem «%1» (%2): %3. Está na Caixa de saída.")
                            .arg(message.subject, session->id(), message.refusal));
    });
    for (const QString& aside : outbox->damagedFiles()) {
        m_notices->post(tr("Uma mensagem da Caixa de saída de %1 não pôde ser lida e ficou de "
                           "parte em %2.")
                            .arg(session->id(), aside));
    }
}

void AppState::sendOutboxes()
{
    for (AccountSession* session : std::as_const(m_sessions)) {
        if (Outbox* outbox = outboxOf(session); outbox && !outbox->messages().isEmpty())
            outbox->send();
    }
}

void AppState::openFromOutbox(const QUuid& id)
{
    AccountSession* session = selectedSession();
    Outbox* outbox = outboxOf(session);
    if (!outbox)
        return;
    if (outbox->isSending(id)) {
        // On its way: it opens once this attempt has ended, if it failed.
        auto* context = new QObject(this);
        connect(outbox, &Outbox::attemptEnded, context, [this, context, id](const QUuid& ended) {
            if (ended != id)
                return;
            context->deleteLater();
            openFromOutbox(id);
        });
        return;
    }
    if (const std::optional<OutboxMessage> message = outbox->take(id)) {
        openComposer(ComposerSession::fromOutbox(*message, composerAccount(session, m_composerWork),
                                                 m_services.dialogs));
    }
}

ComposerAccount AppState::composerAccount(AccountSession* session, QThreadPool* workers)
{
    if (!session)
        return {};
    QPointer<AccountSession> weak(session);
    return ComposerAccount{session->identity(),
                           session->api(),
                           [weak] { return syncIfOpen(weak); },
                           session,
                           outboxOf(session),
                           [weak] { return weak && weak->isOffline(); },
                           session->store(),
                           workers};
}

void AppState::startNewMessage()
{
    openComposer(std::make_unique<ComposerSession>(
        ComposerSession::Mode::New, composerAccount(selectedSession(), m_composerWork),
        m_services.dialogs));
}

void AppState::startMailtoMessage(const MailtoAddress& address, const QString& accountId)
{
    AccountSession* session = isAllAccounts() ? m_sessions.constFirst() : selectedSession();
    for (AccountSession* linked : std::as_const(m_sessions)) {
        if (linked->id() == accountId)
            session = linked;
    }
    if (!session) {
        m_notices->post(tr("Não há nenhuma conta ligada para escrever a mensagem do endereço "
                           "mailto. Ligue uma conta e abra-o de novo."));
        return;
    }
    auto composer = std::make_unique<ComposerSession>(
        ComposerSession::Mode::New, composerAccount(session, m_composerWork), m_services.dialogs);
    const QString separator = QStringLiteral(", ");
    composer->setTo(address.to.join(separator));
    composer->setCc(address.cc.join(separator));
    composer->setBcc(address.bcc.join(separator));
    composer->setSubject(address.subject);
    composer->setBody(address.body);
    composer->setNote(address.leftOutText());
    openComposer(std::move(composer));
}

namespace {

/// The message a reply or a forward answers: the open conversation's last.
std::optional<FullMessage> answeredMessage(const AccountSession* session)
{
    if (!session || session->openThreadId().isEmpty() || session->openThreadMessages().isEmpty())
        return std::nullopt;
    return session->openThreadMessages().constLast();
}

} // namespace

void AppState::reply(bool all)
{
    AccountSession* session = selectedSession();
    if (const std::optional<FullMessage> message = answeredMessage(session))
        openComposer(ComposerSession::reply(*message, all, composerAccount(session, m_composerWork),
                                            m_services.dialogs));
}

QCoro::Task<> AppState::forward()
{
    AccountSession* session = selectedSession();
    std::optional<FullMessage> message = answeredMessage(session);
    if (!message)
        co_return;
    QPointer<AppState> self(this);
    const ComposerAccount account = composerAccount(session, m_composerWork);
    std::unique_ptr<ComposerSession> composer =
        co_await ComposerSession::forward(std::move(*message), account, m_services.dialogs);
    if (self)
        self->openComposer(std::move(composer));
}

namespace {

/// The draft whose current version is the message `messageId`, looked for
/// page by page; none when no draft holds it (sent or changed meanwhile).
QCoro::Task<std::optional<QString>> draftHolding(std::shared_ptr<GmailAPIClient> api,
                                                 QString messageId)
{
    std::optional<QString> pageToken;
    do {
        const DraftListDTO page = co_await api->listDrafts(pageToken);
        const QList<DraftDTO> drafts = page.drafts.value_or(QList<DraftDTO>());
        for (const DraftDTO& draft : drafts) {
            if (draft.message && draft.message->id == messageId)
                co_return draft.id;
        }
        pageToken = page.nextPageToken;
    } while (pageToken);
    co_return std::nullopt;
}

} // namespace

QCoro::Task<> AppState::continueDraft(QString messageId)
{
    AccountSession* session = selectedSession();
    if (!session)
        co_return;
    QPointer<AppState> self(this);
    const ComposerAccount account = composerAccount(session, m_composerWork);
    const QString email = session->id();
    std::unique_ptr<ComposerSession> composer;
    std::optional<QString> failure;
    try {
        const std::optional<QString> draftId = co_await draftHolding(account.api, messageId);
        if (!self)
            co_return;
        if (!draftId) {
            failure = tr("este rascunho já não está no Gmail: foi enviado ou alterado noutro "
                         "lado. Atualize a lista e abra-o de novo.");
        } else if (ComposerSession* open = self->composerOfDraft(*draftId)) {
            Q_EMIT self->composerRaised(open);
            co_return;
        } else {
            composer = co_await ComposerSession::fromDraft(*draftId, account, m_services.dialogs);
        }
    } catch (const std::exception& error) {
        failure = describeError(error);
    }
    if (!self)
        co_return;
    if (failure)
        m_notices->post(tr("Não foi possível abrir o rascunho de %1: %2").arg(email, *failure));
    else if (composer)
        openComposer(std::move(composer));
}

ComposerSession* AppState::composerOfDraft(const QString& draftId) const
{
    for (ComposerSession* composer : composers()) {
        if (composer->draftId() == draftId)
            return composer;
    }
    return nullptr;
}

QCoro::Task<> AppState::archive(QStringList threadIds)
{
    ChangeMaker make = [](const AccountSession&, QStringList ids) {
        return PendingChange::labels(std::move(ids), {}, QStringList(inbox));
    };
    co_await change(std::move(threadIds), std::move(make));
}

QCoro::Task<> AppState::trash(QStringList threadIds)
{
    ChangeMaker make = [](const AccountSession&, QStringList ids) {
        return PendingChange::trash(std::move(ids));
    };
    co_await change(std::move(threadIds), std::move(make));
}

QCoro::Task<> AppState::moveToInbox(QStringList threadIds)
{
    ChangeMaker make = [](const AccountSession& session, QStringList ids) {
        // The trash has a call of its own to leave it; the spam is a label.
        const QList<MessageSummary> messages = session.store()->threadMessages(ids);
        const bool trashed = std::any_of(messages.cbegin(), messages.cend(), [](const auto& m) {
            return m.hasLabel(SystemLabels::trash());
        });
        const QStringList spam(SystemLabels::spam());
        if (!trashed)
            return PendingChange::labels(std::move(ids), QStringList(inbox), spam);
        PendingChange back = PendingChange::untrash(std::move(ids));
        back.remove += spam;
        return back;
    };
    co_await change(std::move(threadIds), std::move(make));
}

QCoro::Task<> AppState::setRead(QStringList threadIds, bool read)
{
    ChangeMaker make = [read](const AccountSession&, QStringList ids) {
        const QStringList unread(SystemLabels::unread());
        return read ? PendingChange::labels(std::move(ids), {}, unread)
                    : PendingChange::labels(std::move(ids), unread, {});
    };
    co_await change(std::move(threadIds), std::move(make));
}

QCoro::Task<> AppState::setStarred(QStringList threadIds, bool starred)
{
    co_await setLabel(std::move(threadIds), SystemLabels::starred(), starred);
}

QCoro::Task<> AppState::setSpam(QStringList threadIds, bool spam)
{
    ChangeMaker make = [spam](const AccountSession&, QStringList ids) {
        const QStringList spamLabel(SystemLabels::spam());
        const QStringList inboxLabel(inbox);
        return spam ? PendingChange::labels(std::move(ids), spamLabel, inboxLabel)
                    : PendingChange::labels(std::move(ids), inboxLabel, spamLabel);
    };
    co_await change(std::move(threadIds), std::move(make));
}

QCoro::Task<> AppState::setLabel(QStringList threadIds, QString labelId, bool applied)
{
    ChangeMaker make = [labelId, applied](const AccountSession&, QStringList ids) {
        const QStringList label(labelId);
        return applied ? PendingChange::labels(std::move(ids), label, {})
                       : PendingChange::labels(std::move(ids), {}, label);
    };
    co_await change(std::move(threadIds), std::move(make));
}

QCoro::Task<>
AppState::change(QStringList threadIds,
                 std::function<PendingChange(const AccountSession&, QStringList)> make)
{
    threadIds.removeAll(QString());
    // Named, not a temporary: GCC 12 mishandles those in coroutines.
    const QList<std::pair<AccountSession*, QStringList>> groups = byAccount(threadIds);
    co_await changeIn(groups, int(threadIds.size()), std::move(make));
}

QCoro::Task<> AppState::changeIn(QList<std::pair<AccountSession*, QStringList>> groups,
                                 int threadCount, ChangeMaker make)
{
    QList<UndoOffer::Offered> made;
    QList<QPointer<AccountSession>> touched;
    QString sentence;
    QPointer<AppState> self(this);
    // The change is made to the whole cache of its accounts, never to the
    // first screen; other accounts' caches need not be in yet.
    QList<QPointer<AccountSession>> sessions;
    for (const auto& group : std::as_const(groups))
        sessions.append(group.first);
    co_await cachesLoaded(sessions);
    if (!self)
        co_return;
    for (const auto& [session, ids] : groups) {
        // An account removed while its cache was awaited takes no change.
        if (!m_sessions.contains(session))
            continue;
        const std::optional<PendingChange> recorded = session->recordChange(make(*session, ids));
        if (!recorded)
            continue;
        if (made.isEmpty()) {
            sentence = UndoOffer::sentenceFor(*recorded, threadCount,
                                              labelTitleIn(session, recorded->namedLabel()));
        }
        made.append({session->id(), *recorded});
        touched.append(session);
    }
    if (made.isEmpty())
        co_return;
    m_undo->offer(std::move(made), std::move(sentence));
    for (const QPointer<AccountSession>& session : std::as_const(touched)) {
        if (session)
            co_await session->sendWaitingChanges();
    }
}

QList<std::pair<AccountSession*, QStringList>>
AppState::byAccount(const QStringList& threadIds) const
{
    QList<std::pair<AccountSession*, QStringList>> groups;
    if (!isAllAccounts()) {
        if (AccountSession* session = selectedSession(); session && !threadIds.isEmpty())
            groups.append({session, threadIds});
        return groups;
    }
    // The reader names its open conversation as its account knows it: that
    // of the conversation selected.
    const AccountSession* reading = selectedSession();
    for (AccountSession* session : m_sessions) {
        QStringList ids;
        for (const QString& id : threadIds) {
            const auto split = ThreadSummary::splitMergedId(id);
            if (split && split->first == session->id())
                ids.append(split->second);
            else if (!split && session == reading)
                ids.append(id);
        }
        if (!ids.isEmpty())
            groups.append({session, ids});
    }
    return groups;
}

QString AppState::listedThreadId(const QString& accountId, const QString& threadId) const
{
    return isAllAccounts() ? ThreadSummary::mergedId(accountId, threadId) : threadId;
}

QString AppState::plainThreadId(const QString& threadId) const
{
    if (!isAllAccounts())
        return threadId;
    const auto split = ThreadSummary::splitMergedId(threadId);
    return split ? split->second : threadId;
}

QCoro::Task<> AppState::undo()
{
    const QList<UndoOffer::Offered> offered = m_undo->take();
    // The sessions may change while one undoes: each is looked up afresh.
    for (const UndoOffer::Offered& part : offered) {
        QPointer<AccountSession> owner;
        for (AccountSession* session : std::as_const(m_sessions)) {
            if (session->id() == part.accountId)
                owner = session;
        }
        if (!owner)
            continue;
        co_await cacheWanted(owner->store());
        if (owner)
            co_await owner->undoChange(part.change);
    }
}

QCoro::Task<std::optional<QString>> AppState::saveAttachment(AttachmentInfo attachment)
{
    AccountSession* session = selectedSession();
    // Held here: the download outlives the reader if the thread is closed.
    const std::shared_ptr<TransferManager> transfers = m_services.transfers;
    if (!session || !transfers)
        co_return std::nullopt;
    co_return co_await transfers->download(std::move(attachment), session->id(), session->api());
}

QList<ComposerSession*> AppState::composers() const
{
    QList<ComposerSession*> open;
    for (const QPointer<ComposerSession>& composer : m_composers) {
        if (composer)
            open.append(composer.data());
    }
    return open;
}

ComposerSession* AppState::composer() const
{
    const QList<ComposerSession*> open = composers();
    return open.isEmpty() ? nullptr : open.constLast();
}

void AppState::openComposer(std::unique_ptr<ComposerSession> composer)
{
    if (!composer)
        return;
    composer->setParent(this);
    ComposerSession* opened = composer.release();
    m_composers.append(opened);
    learnSentRecipients(opened);
    Q_EMIT composerOpened(opened);
    Q_EMIT composerChanged();
}

void AppState::learnSentRecipients(ComposerSession* composer)
{
    // Whom the person writes to lives in the sent mail, which the first
    // synchronisation does not fetch: its newest page is fetched once, the
    // first time a message is written, and the composer's people follow.
    const QString email = composer->account().identity.email;
    const auto found = std::find_if(m_sessions.cbegin(), m_sessions.cend(),
                                    [&](const AccountSession* s) { return s->id() == email; });
    if (found == m_sessions.cend() ||
        (*found)->store()->snapshot().loadedLabels.contains(QStringLiteral("SENT")))
        return;
    [](QPointer<AccountSession> session, QPointer<ComposerSession> writing) -> QCoro::Task<> {
        try {
            co_await session->ensureLabelLoaded(QStringLiteral("SENT"));
        } catch (...) {
            co_return; // offline: the people of the cached mail are offered
        }
        if (writing)
            writing->reloadAddressBook();
    }(*found, composer);
}

void AppState::closeComposer(ComposerSession* composer)
{
    const qsizetype index = m_composers.indexOf(composer);
    if (!composer || index < 0)
        return;
    m_composers.removeAt(index);
    composer->deleteLater();
    Q_EMIT composerChanged();
}

QCoro::Task<> AppState::saveComposers()
{
    // Guarded copies: a composer may be closed while another one saves.
    const QList<QPointer<ComposerSession>> open = m_composers;
    for (const QPointer<ComposerSession>& composer : open) {
        if (composer)
            co_await composer->autosave();
    }
}

void AppState::updateOAuthConfigured()
{
    const bool configured = m_services.sessions.oauthConfig->isConfigured();
    if (m_oauthConfigured != configured) {
        m_oauthConfigured = configured;
        Q_EMIT oauthConfiguredChanged();
    }
}

void AppState::setNotificationsEnabled(const QString& email, bool enabled)
{
    m_registry.setNotificationsEnabled(email, enabled);
}

AccountSession* AppState::createSession(const AccountRegistry::Entry& entry)
{
    auto* session =
        new AccountSession(entry.identity, m_services.sessions, entry.notificationsEnabled, this);
    connect(session, &AccountSession::revisionChanged, this, &AppState::threadsChanged);
    // Whatever read the mail (the window, another device, the notification's
    // own button), its notification goes.
    connect(session, &AccountSession::revisionChanged, this, [this, session] {
        if (m_services.sessions.poster)
            withdrawSettledNotifications(*m_services.sessions.poster, *session);
    });
    connect(session, &AccountSession::waitingChangesChanged, this,
            &AppState::waitingChangesChanged);
    connect(session, &AccountSession::changeRefused, this,
            [this, session](const PendingChange& change, const SessionError& reason) {
                postRefusal(*session, change, reason);
            });
    connect(session, &AccountSession::noticeRaised, this,
            [this](const SessionError& notice) { m_notices->post(notice.text, notice.details); });
    attachOutbox(session);
    if (!session->store()->isLoaded())
        takeInCache(session);
    if (const std::optional<QString> aside = session->journal()->damagedFile()) {
        m_notices->post(tr("As alterações por enviar de %1 não puderam ser lidas e ficaram de "
                           "parte em %2.")
                            .arg(entry.identity.email, *aside));
    }
    return session;
}

void AppState::rebuildSessions()
{
    QList<AccountSession*> previous = m_sessions;
    QList<AccountSession*> sessions;
    for (const AccountRegistry::Entry& entry : m_registry.entries()) {
        // A renamed identity gets a fresh session: the engine announces mail
        // under the identity it was built with.
        const auto kept = std::find_if(previous.cbegin(), previous.cend(), [&](AccountSession* s) {
            return s->identity() == entry.identity;
        });
        if (kept == previous.cend()) {
            sessions.append(createSession(entry));
            continue;
        }
        AccountSession* session = *kept;
        previous.erase(kept);
        session->setNotificationsEnabled(entry.notificationsEnabled);
        sessions.append(session);
    }
    m_sessions = sessions;
    // Sessions left over go once the views have let go of them; their engines
    // stop now, so that nothing syncs for an account that is gone.
    for (AccountSession* session : previous) {
        session->stop();
        session->deleteLater();
    }
    // No grouping still running for the old list may land.
    m_grouping->reset();
    Q_EMIT sessionsChanged();
    if (m_selectedAccountId.isEmpty() && !m_sessions.isEmpty())
        setSelectedAccount(m_sessions.first()->id());
    updateBadge();
    Q_EMIT threadsChanged();
}

QCoro::Task<> AppState::startAll()
{
    QPointer<AppState> self(this);
    const QList<QPointer<AccountSession>> sessions(m_sessions.cbegin(), m_sessions.cend());
    for (const QPointer<AccountSession>& session : sessions) {
        if (session)
            co_await cacheLoaded(session->store());
        if (session)
            co_await session->startSync();
        if (!self)
            co_return;
    }
    sendOutboxes();
    updateBadge();
}

void AppState::updateBadge()
{
    m_badge->update(m_sessions);
}

void AppState::openThreadLater(const QString& threadId)
{
    QPointer<AppState> self(this);
    QTimer::singleShot(0, this, [self, threadId] {
        // Several chosen meanwhile: none of them is read.
        if (!self || self->plainThreadId(self->m_selectedThreadId) != threadId)
            return;
        if (AccountSession* session = self->selectedSession())
            session->openThread(threadId);
    });
}

void AppState::selectThread(const std::optional<ThreadSummary>& thread)
{
    // An outbox row opens the message for changes rather than reading it.
    if (thread && thread->threadId.startsWith(outboxId() + u':')) {
        openFromOutbox(QUuid::fromString(thread->threadId.mid(outboxId().size() + 1)));
        return;
    }
    const QString threadId = thread ? thread->threadId : QString();
    const QStringList threadIds = thread ? QStringList(threadId) : QStringList();
    const QString account = thread && isAllAccounts() ? thread->accountId : m_threadAccountId;
    if (m_selectedThreadId != threadId || m_selectedThreadIds != threadIds ||
        m_threadAccountId != account) {
        m_selectedThreadId = threadId;
        m_selectedThreadIds = threadIds;
        m_threadAccountId = account;
        Q_EMIT selectionChanged();
    }
    if (thread)
        openThreadLater(plainThreadId(thread->threadId));
}

void AppState::selectThreads(const QStringList& threadIds)
{
    if (threadIds.size() < 2) {
        const auto& threads = visibleThreads();
        const auto it = std::find_if(threads.cbegin(), threads.cend(), [&](const auto& t) {
            return !threadIds.isEmpty() && t.threadId == threadIds.constFirst();
        });
        selectThread(it == threads.cend() ? std::nullopt : std::optional(*it));
        return;
    }
    keepSelected(threadIds);
}

void AppState::keepSelected(const QStringList& threadIds)
{
    if (m_selectedThreadIds == threadIds && m_selectedThreadId.isEmpty())
        return;
    // No single conversation is read now; one chosen later opens afresh.
    m_selectedThreadId.clear();
    m_selectedThreadIds = threadIds;
    if (AccountSession* session = selectedSession())
        session->closeThread();
    Q_EMIT selectionChanged();
}

void AppState::reopenThread()
{
    if (!m_selectedThreadId.isEmpty())
        openThreadLater(plainThreadId(m_selectedThreadId));
}

void AppState::cancelLinking()
{
    m_linker->cancel();
}

QCoro::Task<> AppState::runSearch()
{
    AccountSession* session = selectedSession();
    if (!session)
        co_return;
    const QString query = trimmedSearch(m_searchText);
    if (query.isEmpty()) {
        ++m_searchGeneration;
        m_isSearching = false;
        setSearchOutcome(false, std::nullopt, {});
        co_return;
    }
    QPointer<AppState> self(this);
    const QPointer<AccountSession> searched(session);
    const quint64 generation = ++m_searchGeneration;
    m_isSearching = true;
    m_paging->showNothing();
    setSearchOutcome(true, std::nullopt, {});
    // In the list of every account, every account is searched, its first
    // page of hits each; an account that fails leaves the others' results,
    // and only all failing is an error.
    if (isAllAccounts()) {
        co_await searchEveryAccount(query, generation);
        co_return;
    }
    std::optional<MessageListPage> page;
    std::optional<SessionError> failure;
    try {
        const QString fromStart;
        page = co_await session->searchPage(query, fromStart, 0);
    } catch (const std::exception& error) {
        failure = SessionError::from(error);
    }
    if (!self || generation != m_searchGeneration)
        co_return;
    QList<ThreadSummary> found;
    if (page) {
        m_paging->showSearch(searched, query, std::move(*page));
        found = m_paging->searchThreads();
    }
    setSearchOutcome(false, offlineSearchSaid(std::move(failure)), std::move(found));
}

QCoro::Task<> AppState::searchEveryAccount(QString query, quint64 generation)
{
    QPointer<AppState> self(this);
    const QList<QPointer<AccountSession>> searched(m_sessions.cbegin(), m_sessions.cend());
    QList<QList<ThreadSummary>> lists;
    std::optional<SessionError> failure;
    for (const QPointer<AccountSession>& each : searched) {
        if (!each)
            continue;
        const QString accountId = each->id();
        try {
            const QString fromStart;
            const MessageListPage page = co_await each->searchPage(query, fromStart, 0);
            QList<ThreadSummary> found = ThreadSummary::group(page.messages);
            for (ThreadSummary& thread : found) {
                thread.accountId = accountId;
                thread.threadId = ThreadSummary::mergedId(accountId, thread.threadId);
            }
            lists.append(std::move(found));
        } catch (const std::exception& error) {
            if (!failure)
                failure = SessionError::from(error);
        }
        if (!self || generation != m_searchGeneration)
            co_return;
    }
    if (!lists.isEmpty())
        failure.reset();
    setSearchOutcome(false, offlineSearchSaid(std::move(failure)),
                     ThreadSummary::merge(std::move(lists)));
}

std::optional<SessionError> AppState::offlineSearchSaid(std::optional<SessionError> failure)
{
    // Gmail searches on its side: without it there is nothing to search.
    if (failure && failure->kind == SessionError::Kind::Offline)
        failure->text = tr("A pesquisa precisa de ligação à internet. Tente de novo quando "
                           "a ligação voltar.");
    return failure;
}

bool AppState::isLinkingAccount() const
{
    return m_linker->isLinking();
}

QString AppState::linkError() const
{
    return m_linker->error();
}

QCoro::Task<> AppState::linkAccount()
{
    QPointer<AppState> self(this);
    const std::optional<OAuthService::Authorization> authorization = co_await m_linker->authorize();
    if (!self || !authorization)
        co_return;
    const SessionServices& services = m_services.sessions;
    TokenVault(authorization->identity.email, services.oauthConfig, services.transport,
               services.oauthEndpoints)
        .saveTokenSet(authorization->tokens);
    m_registry.upsert(authorization->identity);
    setSelectedAccount(authorization->identity.email);
    // The link ends with the account's first sync, so that the accounts
    // window shows it busy until there is mail to show.
    if (AccountSession* session = selectedSession())
        co_await session->startSync();
    if (!self)
        co_return;
    updateBadge();
    m_linker->finish();
}

QCoro::Task<> AppState::removeAccount(AccountSession* session)
{
    if (!session)
        co_return;
    QPointer<AppState> self(this);
    QPointer<AccountSession> guard(session);
    const QString email = session->id();
    const std::shared_ptr<TokenVault> vault = session->vault();
    const std::shared_ptr<MailStore> store = session->store();
    const std::shared_ptr<ChangeJournal> journal = session->journal();
    const std::shared_ptr<OfflineThreads> offline = session->offlineThreads();
    const SessionServices services = m_services.sessions;
    session->stop();
    if (Outbox* outbox = outboxOf(session))
        outbox->wipe();
    if (const std::optional<TokenSet> tokens = vault->loadTokenSet())
        co_await OAuthService::revoke(tokens->refreshToken, services.transport,
                                      services.oauthEndpoints.revocation);
    vault->deleteTokens();
    store->wipe();
    journal->wipe();
    offline->wipe();
    if (!self)
        co_return;
    m_registry.remove(email);
}

QCoro::Task<> AppState::actFromNotification(QString accountId, QStringList threadIds,
                                            NotificationAction action)
{
    threadIds.removeAll(QString());
    const auto session =
        std::find_if(m_sessions.cbegin(), m_sessions.cend(),
                     [&](const AccountSession* s) { return s->id() == accountId; });
    if (session == m_sessions.cend() || threadIds.isEmpty())
        co_return;
    // The notification names the conversations as their account knows them,
    // whatever the window shows now.
    const QList<std::pair<AccountSession*, QStringList>> groups{{*session, threadIds}};
    const auto count = int(threadIds.size());
    // The labels it takes off are named before the co_await: GCC 12
    // mishandles temporaries there.
    const QStringList off(action == NotificationAction::Archive ? inbox : SystemLabels::unread());
    ChangeMaker make = [off](const AccountSession&, QStringList ids) {
        return PendingChange::labels(std::move(ids), {}, off);
    };
    co_await changeIn(groups, count, std::move(make));
}

void AppState::openFromNotification(const QString& accountId, const QString& threadId)
{
    const bool known = std::any_of(m_sessions.cbegin(), m_sessions.cend(),
                                   [&](const AccountSession* s) { return s->id() == accountId; });
    if (!known)
        return;
    const bool selectionMoves = m_selectedAccountId != accountId || m_selectedLabelId != inbox ||
                                m_selectedThreadId != threadId;
    const bool wasSearching = m_isSearching;
    m_selectedAccountId = accountId;
    m_selectedLabelId = inbox;
    m_isSearching = false;
    ++m_searchGeneration;
    m_selectedThreadId = threadId;
    // Several messages announced at once: their inbox, nothing opened.
    m_selectedThreadIds = threadId.isEmpty() ? QStringList() : QStringList(threadId);
    if (selectionMoves)
        Q_EMIT selectionChanged();
    if (wasSearching)
        setSearchOutcome(false, std::nullopt, {});
    if (!threadId.isEmpty())
        openThreadLater(threadId);
    if (m_services.bringToFront)
        m_services.bringToFront();
}

} // namespace vesk
