#pragma once

#include "model/MessageSummary.h"
#include "model/ThreadSummary.h"
#include "sync/MessageListPage.h"
#include "sync/SessionError.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <optional>

namespace vesk {

class AccountSession;

/// Where the list the window shows stands in its pages, and the loading of
/// the next one: a label's older conversations or a search's further
/// results. The list's footer row says what this holds.
///
/// How deep a label goes and whether its end is reached are the store's;
/// whether a page is on its way and why the last one failed are kept here
/// per account and label, so that a label left and opened again still shows
/// its load running. A search's pages last as long as it is shown.
///
/// Lives on the GUI thread, a child of the application state; holds the
/// sessions weakly.
class ListPaging final : public QObject
{
    Q_OBJECT

public:
    explicit ListPaging(QObject* parent = nullptr);
    ~ListPaging() override;

    /// The list shows `labelId` of `session`; none for a list that does not
    /// page (the outbox).
    void showLabel(AccountSession* session, const QString& labelId);
    /// The list shows `labelId` of several sessions merged: each loads its
    /// next page when the list's end is reached.
    void showLabel(const QList<AccountSession*>& sessions, const QString& labelId);
    /// The list shows a search whose first page is `firstPage`.
    void showSearch(AccountSession* session, const QString& query, MessageListPage firstPage);
    /// The list shows nothing that pages: a search still running or failed.
    void showNothing();

    /// A further page is on its way.
    bool isLoading() const { return m_shown.loading; }
    /// Gmail has nothing further for the list shown.
    bool isComplete() const { return m_shown.complete; }
    /// Why the last page failed; none while one loads or after a success.
    const std::optional<SessionError>& error() const { return m_shown.error; }
    /// Reaching the end of the list should ask for more: the list pages, has
    /// its first page, nothing is on its way, the end is not reached and the
    /// last attempt did not fail (after a failure, the person says when).
    bool canLoadMore() const;
    /// Every hit of the search shown so far, as conversations, newest first.
    QList<ThreadSummary> searchThreads() const;

    /// Loads the next page of the list shown; nothing when one is on its
    /// way or the end is known. Never throws: a failure becomes error().
    QCoro::Task<> loadMore();

Q_SIGNALS:
    /// isLoading(), isComplete() or error() changed.
    void changed();
    /// A further page of the search shown arrived: searchThreads() has it.
    void searchGrew();

private:
    struct Shown
    {
        bool loading = false;
        bool complete = false;
        std::optional<SessionError> error;
        bool hasFirstPage = false;

        friend bool operator==(const Shown&, const Shown&) = default;
    };

    struct Search
    {
        QPointer<AccountSession> session;
        QString query;
        QList<MessageSummary> messages;
        QSet<QString> ids;
        QString nextPageToken;
        bool loading = false;
        std::optional<SessionError> error;
    };

    QCoro::Task<> loadOlder();
    QCoro::Task<> loadOlderOf(QPointer<AccountSession> session, QString labelId);
    void disconnectSessions();
    QCoro::Task<> loadMoreResults();
    void addHits(const QList<MessageSummary>& messages);
    static QString labelKey(const AccountSession* session, const QString& labelId);
    Shown current() const;
    void update();

    QList<QPointer<AccountSession>> m_sessions;
    QString m_labelId;
    QList<QMetaObject::Connection> m_revisions;
    /// Labels with a page on its way, and the last failure of each, keyed
    /// by labelKey() (of each account).
    QSet<QString> m_loading;
    QHash<QString, SessionError> m_errors;
    /// Labels whose page is in the store but not yet in the session's
    /// revision, with that revision: the list has not taken the page in,
    /// and must not ask for the next one on the strength of its old end.
    QHash<QString, int> m_arriving;
    std::optional<Search> m_search;
    /// Moves whenever another search (or none) is shown, so that a page of
    /// an earlier one is dropped.
    quint64 m_searchGeneration = 0;
    Shown m_shown;
};

} // namespace vesk
