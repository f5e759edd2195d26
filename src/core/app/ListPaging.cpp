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
    const bool same = !m_search && m_session == session && m_labelId == labelId;
    if (!same) {
        ++m_searchGeneration;
        m_search.reset();
        disconnect(m_revision);
        m_session = session;
        m_labelId = session ? labelId : QString();
        // A sync can move the label's end (a full one lists it again).
        if (session)
            m_revision =
                connect(session, &AccountSession::revisionChanged, this, &ListPaging::update);
    }
    update();
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
    disconnect(m_revision);
    m_session.clear();
    m_labelId.clear();
    update();
}

QString ListPaging::labelKey() const
{
    return m_session ? m_session->id() + u'\n' + m_labelId : QString();
}

ListPaging::Shown ListPaging::current() const
{
    if (m_search)
        return Shown{m_search->loading, m_search->nextPageToken.isEmpty(), m_search->error, true};
    if (!m_session || m_labelId.isEmpty())
        return Shown{};
    const QString key = labelKey();
    const LabelPages pages = m_session->store()->labelPages(m_labelId);
    const auto error = m_errors.constFind(key);
    const auto arriving = m_arriving.constFind(key);
    const bool taking = arriving != m_arriving.constEnd() && *arriving == m_session->revision();
    return Shown{m_loading.contains(key) || taking, pages.complete,
                 error == m_errors.constEnd() ? std::nullopt : std::optional(*error),
                 pages.depth > 0};
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
    const QPointer<AccountSession> session = m_session;
    const QString labelId = m_labelId;
    const QString key = labelKey();
    if (!session || labelId.isEmpty() || m_loading.contains(key) || m_shown.complete)
        co_return;
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
