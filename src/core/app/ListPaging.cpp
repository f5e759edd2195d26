#include "ListPaging.h"

#include "model/MailStore.h"
#include "sync/AccountSession.h"
#include "sync/SyncEngine.h"

#include <memory>

namespace vesk {

ListPaging::ListPaging(QObject* parent)
    : QObject(parent)
{}

ListPaging::~ListPaging() = default;

void ListPaging::showLabel(AccountSession* session, const QString& labelId)
{
    showLabel(session ? QList<AccountSession*>{session} : QList<AccountSession*>(), labelId);
}

void ListPaging::showLabel(const QList<AccountSession*>& sessions, const QString& labelId)
{
    const QList<QPointer<AccountSession>> wanted(sessions.cbegin(), sessions.cend());
    const bool same = !m_search && m_sessions == wanted && m_labelId == labelId;
    if (!same) {
        ++m_searchGeneration;
        m_search.reset();
        disconnectSessions();
        m_sessions = wanted;
        m_labelId = sessions.isEmpty() ? QString() : labelId;
        // A sync can move the label's end (a full one lists it again).
        for (AccountSession* session : sessions)
            m_revisions.append(
                connect(session, &AccountSession::revisionChanged, this, &ListPaging::update));
    }
    update();
}

void ListPaging::disconnectSessions()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_revisions))
        disconnect(connection);
    m_revisions.clear();
    m_sessions.clear();
}

void ListPaging::showSearch(AccountSession* session, const QString& query,
                            MessageListPage firstPage)
{
    showNothing();
    // Assigned whole: clang cannot default-construct a nested struct with
    // member initialisers through std::optional::emplace().
    m_search = Search{session, query, {}, {}, firstPage.nextPageToken, false, std::nullopt};
    addHits(firstPage.messages);
    update();
}

void ListPaging::showNothing()
{
    ++m_searchGeneration;
    m_search.reset();
    disconnectSessions();
    m_labelId.clear();
    update();
}

QString ListPaging::labelKey(const AccountSession* session, const QString& labelId)
{
    return session->id() + u'\n' + labelId;
}

ListPaging::Shown ListPaging::current() const
{
    if (m_search)
        return Shown{m_search->loading, m_search->nextPageToken.isEmpty(), m_search->error, true};
    if (m_sessions.isEmpty() || m_labelId.isEmpty())
        return Shown{};
    // Several accounts' lists merged page together: the list is loading
    // while any is, ends when all do, and has its first page when all have.
    Shown shown{false, true, std::nullopt, true};
    for (const QPointer<AccountSession>& session : m_sessions) {
        if (!session)
            continue;
        const QString key = labelKey(session, m_labelId);
        const LabelPages pages = session->store()->labelPages(m_labelId);
        const auto error = m_errors.constFind(key);
        const auto arriving = m_arriving.constFind(key);
        const bool taking = arriving != m_arriving.constEnd() && *arriving == session->revision();
        shown.loading = shown.loading || m_loading.contains(key) || taking;
        shown.complete = shown.complete && pages.complete;
        if (!shown.error && error != m_errors.constEnd())
            shown.error = *error;
        shown.hasFirstPage = shown.hasFirstPage && pages.depth > 0;
    }
    return shown;
}

void ListPaging::update()
{
    Shown shown = current();
    if (shown == m_shown)
        return;
    m_shown = std::move(shown);
    Q_EMIT changed();
}

bool ListPaging::canLoadMore() const
{
    return m_shown.hasFirstPage && !m_shown.loading && !m_shown.complete && !m_shown.error;
}

QList<ThreadSummary> ListPaging::searchThreads() const
{
    return m_search ? ThreadSummary::group(m_search->messages) : QList<ThreadSummary>();
}

void ListPaging::addHits(const QList<MessageSummary>& messages)
{
    // A page listed again from the start repeats the hits shown already.
    for (const MessageSummary& message : messages) {
        if (!m_search->ids.contains(message.id())) {
            m_search->ids.insert(message.id());
            m_search->messages.append(message);
        }
    }
}

QCoro::Task<> ListPaging::loadMore()
{
    if (m_search)
        co_await loadMoreResults();
    else
        co_await loadOlder();
}

QCoro::Task<> ListPaging::loadOlder()
{
    if (m_shown.complete || m_labelId.isEmpty())
        co_return;
    // One account after the other: each page keeps to its account's quota,
    // and the list grows as each arrives.
    QPointer<ListPaging> self(this);
    const QList<QPointer<AccountSession>> sessions = m_sessions;
    const QString labelId = m_labelId;
    for (const QPointer<AccountSession>& session : sessions) {
        if (!self)
            co_return;
        if (session && !session->store()->labelPages(labelId).complete &&
            !self->m_loading.contains(labelKey(session, labelId)))
            co_await loadOlderOf(session, labelId);
    }
}

QCoro::Task<> ListPaging::loadOlderOf(QPointer<AccountSession> session, QString labelId)
{
    const QString key = labelKey(session, labelId);
    QPointer<ListPaging> self(this);
    m_loading.insert(key);
    m_errors.remove(key);
    m_arriving.remove(key);
    update();
    // The engine's news reaches the session queued: until the session's
    // revision moves, the list still ends where it did.
    const auto stored = std::make_shared<bool>(false);
    const QMetaObject::Connection watch =
        connect(&session->engine(), &SyncEngine::changed, this, [stored] { *stored = true; });
    std::optional<SessionError> failure;
    try {
        co_await session->engine().loadNextPage(labelId);
    } catch (const std::exception& error) {
        failure = SessionError::from(error);
    }
    if (!self)
        co_return;
    disconnect(watch);
    self->m_loading.remove(key);
    if (failure)
        self->m_errors.insert(key, *failure);
    else if (*stored && session)
        self->m_arriving.insert(key, session->revision());
    self->update();
}

QCoro::Task<> ListPaging::loadMoreResults()
{
    if (!m_search || !m_search->session || m_search->loading || m_search->nextPageToken.isEmpty())
        co_return;
    QPointer<ListPaging> self(this);
    const quint64 generation = m_searchGeneration;
    const QPointer<AccountSession> session = m_search->session;
    const QString query = m_search->query;
    const QString token = m_search->nextPageToken;
    const int loaded = int(m_search->messages.size());
    m_search->loading = true;
    m_search->error.reset();
    update();
    std::optional<MessageListPage> page;
    std::optional<SessionError> failure;
    try {
        page = co_await session->searchPage(query, token, loaded);
    } catch (const std::exception& error) {
        failure = SessionError::from(error);
    }
    // A search shown since, or none, does not take this one's page.
    if (!self || generation != self->m_searchGeneration)
        co_return;
    self->m_search->error = failure;
    if (page) {
        self->m_search->nextPageToken = page->nextPageToken;
        self->addHits(page->messages);
        // The results first: the list must not ask for the next page while
        // it still ends where it did.
        Q_EMIT self->searchGrew();
        if (!self || generation != self->m_searchGeneration)
            co_return;
    }
    self->m_search->loading = false;
    self->update();
}

} // namespace vesk
