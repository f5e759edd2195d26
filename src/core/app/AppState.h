#pragma once

#include "AppServices.h"
#include "compose/ComposerAccount.h"
#include "model/AccountRegistry.h"
#include "model/AttachmentInfo.h"
#include "model/CacheReadStart.h"
#include "model/PendingChange.h"
#include "model/ThreadSummary.h"
#include "notifications/NotificationAction.h"
#include "sync/SessionError.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

namespace vesk {

class AccountLinker;
class AccountSession;
class ComposerSession;
class ListPaging;
struct MailtoAddress;
class NoticeBoard;
class Outbox;
class Reachability;
class OfflineLimit;
class ThreadGrouping;
class UndoOffer;
class UnreadBadge;

/// The one application-wide object every window observes and the one
/// surface it acts through: the linked accounts' sessions, what is selected
/// (each selection loading what it needs), the search, the actions on a
/// conversation, the composer, linking and removing accounts, saving an
/// attachment, the badge, and notification clicks. Everything a person does
/// in the window is one call here, so that it runs the same without one.
///
/// Lives on the GUI thread for the whole process. Sessions and the composer
/// are its children. A rebuild keeps the running session of every account
/// still linked, so that no account stops syncing because another one came
/// or went.
class AppState final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString selectedAccountId READ selectedAccountId NOTIFY selectionChanged)
    Q_PROPERTY(QString selectedLabelId READ selectedLabelId NOTIFY selectionChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY searchChanged)
    Q_PROPERTY(bool isSearchRunning READ isSearchRunning NOTIFY searchChanged)
    Q_PROPERTY(bool isLinkingAccount READ isLinkingAccount NOTIFY linkingChanged)
    Q_PROPERTY(QString linkError READ linkError NOTIFY linkingChanged)
    Q_PROPERTY(bool oauthConfigured READ oauthConfigured NOTIFY oauthConfiguredChanged)
    Q_PROPERTY(bool isOffline READ isOffline NOTIFY offlineChanged)
    Q_PROPERTY(int waitingChanges READ waitingChanges NOTIFY waitingChangesChanged)
    Q_PROPERTY(bool isLoadingMore READ isLoadingMore NOTIFY pagingChanged)
    Q_PROPERTY(bool isListComplete READ isListComplete NOTIFY pagingChanged)

public:
    explicit AppState(AppServices services, QObject* parent = nullptr);
    ~AppState() override;

    /// The linked accounts; changed only through the operations below, each
    /// of which brings the sessions in line.
    const AccountRegistry& registry() const { return m_registry; }
    /// The account's new-mail switch, kept and applied to its running session.
    void setNotificationsEnabled(const QString& email, bool enabled);
    const QList<AccountSession*>& sessions() const { return m_sessions; }
    /// The selected account's session, else the first; null without
    /// accounts. In the list of every account: the account of the
    /// conversation last selected, else the first.
    AccountSession* selectedSession() const;
    /// The account id that selects every account's mail in one list.
    static QString allAccountsId() { return QStringLiteral("VESK_ALL_ACCOUNTS"); }
    /// Every account's mail is shown as one list (two or more accounts
    /// linked, and allAccountsId() selected): thread ids are then
    /// ThreadSummary::mergedId()s, and each action goes to the account of
    /// its conversation.
    bool isAllAccounts() const;
    /// The id the list shows an account's conversation under.
    QString listedThreadId(const QString& accountId, const QString& threadId) const;
    /// Unread messages in every account's inbox together.
    qint64 unreadInAllInboxes() const;

    /// Empty until an account is selected; it may name an account that has
    /// gone, for which selectedSession() stands in with the first.
    const QString& selectedAccountId() const { return m_selectedAccountId; }
    const QString& selectedLabelId() const { return m_selectedLabelId; }
    /// Empty while no thread is selected.
    const QString& selectedThreadId() const { return m_selectedThreadId; }
    /// The conversations selected in the list, in the list's order: the one
    /// open in the reader, or several, which the actions below take at once.
    const QStringList& selectedThreadIds() const { return m_selectedThreadIds; }
    /// Selecting an account or a label loads the label's newest page when
    /// the cache holds none of it yet.
    void selectAccount(const QString& email);
    void selectLabel(const QString& labelId);
    /// What the window calls a label: the Portuguese name of Gmail's system
    /// labels ("Caixa de entrada" for INBOX), a user label's own name, the id
    /// of one not known (yet).
    QString labelTitle(const QString& labelId) const;
    /// What the window and the list are titled: the selected label's title,
    /// or "Todas as contas" for every inbox together.
    QString listTitle() const;
    /// The selected account's sync, now.
    QCoro::Task<> refresh();

    const QString& searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    /// In search mode: the list shows the results (or the search's state).
    bool isSearching() const { return m_isSearching; }
    /// The newest search has not answered yet.
    bool isSearchRunning() const { return m_isSearchRunning; }
    /// Why the newest search failed; none while it runs or when it found.
    const std::optional<SessionError>& searchError() const { return m_searchError; }
    /// Leaves search mode, back to the selected label.
    void clearSearch();

    // Older conversations: the list shown (the selected label or the
    // search) grows page by page as the person reaches its end.

    /// A further page of the list shown is on its way.
    bool isLoadingMore() const;
    /// Gmail has nothing further for the list shown.
    bool isListComplete() const;
    /// Why the last further page failed; none while one loads or after one
    /// arrived.
    std::optional<SessionError> loadMoreError() const;
    /// Reaching the end of the list should ask for more: the list pages,
    /// nothing is on its way, the end is not reached, and the last attempt
    /// did not fail (after a failure only loadMore() tries again).
    bool canLoadMore() const;
    /// The next page of the list shown; a failure becomes loadMoreError().
    QCoro::Task<> loadMore();

    /// What the thread list shows: the search results, or the selected
    /// session's summaries of the selected label grouped into threads.
    ///
    /// A cache of more than backgroundGroupingFrom() summaries is grouped on
    /// a worker thread (a hundred thousand take a tenth of a second): until
    /// threadsChanged() announces the result, this keeps the label's previous
    /// threads, or is empty after a switch to another label or account.
    const QList<ThreadSummary>& visibleThreads() const;
    static qsizetype backgroundGroupingFrom();

    /// Starts reading the linked accounts' caches (all but the largest, which
    /// its session reads) on threads of their own, for the sessions that a
    /// state built with `services` opens: they load side by side rather than
    /// one after another. Whether any account is linked. With
    /// CacheReadStart::AfterFirstFrame the caches whose first-screen
    /// records stand in wait for loadCachesNow().
    static bool readCachesAhead(AppServices& services,
                                CacheReadStart start = CacheReadStart::AtOnce);
    /// Lets the cache reads held back for the window's first frame start.
    void loadCachesNow() const;

    /// What a composer writing from `session`'s account needs of it; an
    /// account that counts as closed when `session` is null. Its address
    /// book is built on `workers` (none: Qt's shared pool).
    static ComposerAccount composerAccount(AccountSession* session, QThreadPool* workers = nullptr);
    /// The messages being written, oldest first; each has a window of its own.
    QList<ComposerSession*> composers() const;
    /// The composer opened last; null while none is open.
    ComposerSession* composer() const;
    /// Takes a composer beside those already open (composerOpened tells).
    void openComposer(std::unique_ptr<ComposerSession> composer);
    /// Lets the composer go; whoever closes it has saved or ended its draft.
    void closeComposer(ComposerSession* composer);
    /// Saves the drafts of every open composer that has unsaved edits, one
    /// after another, as closing each would; for quitting.
    QCoro::Task<> saveComposers();
    /// A new message from the selected account.
    void startNewMessage();
    /// A new message filled from a mailto: address, from the account
    /// `accountId` when it is linked, else the selected one (the first in the
    /// list of every account); the composer says what the address held that
    /// it could not take. Without any account a notice says so.
    void startMailtoMessage(const MailtoAddress& address, const QString& accountId = {});
    /// A reply (to all) to the open conversation's last message; nothing
    /// while none is open.
    void reply(bool all);
    /// The open conversation's last message forwarded with its attachments,
    /// once they are fetched.
    QCoro::Task<> forward();
    /// Opens a composer on the Gmail draft held by the message `messageId`
    /// of the open conversation's account, or brings forward the one already
    /// writing it. A draft that cannot be read is said on the notice board.
    QCoro::Task<> continueDraft(QString messageId);
    const std::shared_ptr<FileDialogs>& dialogs() const { return m_services.dialogs; }
    const std::shared_ptr<FileManagerReveal>& fileManager() const { return m_services.fileManager; }
    /// The system browser, for links followed in a message.
    const std::shared_ptr<BrowserOpening>& browser() const { return m_services.browser; }
    const std::shared_ptr<TransferManager>& transfers() const { return m_services.transfers; }
    /// Null when the program was built without one: nothing is checked then.
    const std::shared_ptr<SpellingService>& spelling() const { return m_services.spelling; }
    /// Where new-mail notifications go; the settings window asks it for
    /// permission to show them.
    const std::shared_ptr<NotificationPosting>& poster() const
    {
        return m_services.sessions.poster;
    }

    /// How much the conversations kept for reading offline may take; the
    /// settings window changes it, every session follows.
    const std::shared_ptr<OfflineLimit>& offlineLimit() const
    {
        return m_services.sessions.offlineLimit;
    }

    bool isLinkingAccount() const;
    /// Why the last link failed; empty when it did not.
    QString linkError() const;
    /// Whether the OAuth client is set up; follows the configuration's changes.
    bool oauthConfigured() const { return m_oauthConfigured; }
    /// Ends the link in progress: the browser's answer is no longer waited for.
    void cancelLinking();

    QCoro::Task<> startAll();
    void updateBadge();
    /// Shows the thread in the reader, fetching it; none closes the reader.
    void selectThread(const std::optional<ThreadSummary>& thread);
    /// Selects several conversations at once (one opens it, none clears the
    /// selection): the reader closes and offers the actions for all of them.
    void selectThreads(const QStringList& threadIds);
    /// What is left of several conversations chosen once some have left the
    /// list: still chosen, none of them opened.
    void keepSelected(const QStringList& threadIds);
    /// Fetches the selected thread again, after it failed to open.
    void reopenThread();

    // The actions on conversations of the selected account, one change for
    // all of them: the cache changes at once and Gmail follows, now or once
    // it can be reached. Each is then offered to be undone for a while.
    QCoro::Task<> archive(QStringList threadIds);
    QCoro::Task<> trash(QStringList threadIds);
    /// Out of the trash or the spam, back into the inbox.
    QCoro::Task<> moveToInbox(QStringList threadIds);
    QCoro::Task<> setRead(QStringList threadIds, bool read);
    QCoro::Task<> setStarred(QStringList threadIds, bool starred);
    QCoro::Task<> setSpam(QStringList threadIds, bool spam);
    QCoro::Task<> setLabel(QStringList threadIds, QString labelId, bool applied);
    /// The last of those changes, while it may be taken back.
    UndoOffer& undoOffer() const { return *m_undo; }
    /// Takes back the change on offer: before it reached Gmail it never
    /// gets there; after, Gmail is changed back.
    QCoro::Task<> undo();
    /// Asks where to save one attachment of the selected account's open
    /// conversation and downloads it into the transfers panel; the saved
    /// path, none when cancelled or failed (the panel then says why).
    QCoro::Task<std::optional<QString>> saveAttachment(AttachmentInfo attachment);
    /// Only the newest search fills the results: one that ends after a later
    /// search began, or after search mode was left, is dropped.
    QCoro::Task<> runSearch();
    /// Ignored while a link is in progress: one attempt at a time, which the
    /// accounts window may cancel through oauthService().
    QCoro::Task<> linkAccount();
    /// Revokes the account's tokens, deletes them, its cache and its
    /// conversations kept for reading offline, and unlinks it.
    QCoro::Task<> removeAccount(AccountSession* session);
    /// Opens the account's conversation from a notification's click; an
    /// empty `threadId` opens the account's inbox with nothing selected.
    void openFromNotification(const QString& accountId, const QString& threadId);
    /// A notification's button: the change the window's action makes, on
    /// the account's conversations it announced, offered to be undone; the
    /// window need not be shown.
    QCoro::Task<> actFromNotification(QString accountId, QStringList threadIds,
                                      NotificationAction action);

    /// Google cannot be reached now: changes wait, searches cannot run.
    bool isOffline() const;
    Reachability& reachability() const { return *m_services.reachability; }
    /// Changes of every account that Gmail has not taken yet.
    int waitingChanges() const;
    /// What went wrong out of sight: refused changes, files set aside.
    NoticeBoard& notices() const { return *m_notices; }

    /// The label id of the outbox, which the window lists with Gmail's
    /// labels while it holds a message; not one of Gmail's.
    static QString outboxId() { return QStringLiteral("VESK_OUTBOX"); }
    /// The account's outbox; null for none.
    static Outbox* outboxOf(const AccountSession* session);
    /// Opens the outbox message in a composer, out of the outbox; nothing
    /// when it is on its way now or gone.
    void openFromOutbox(const QUuid& id);

Q_SIGNALS:
    void sessionsChanged();
    void selectionChanged();
    void searchTextChanged();
    void searchChanged();
    /// A composer was opened: the window gives it a window of its own.
    void composerOpened(vesk::ComposerSession* composer);
    /// The list of composers grew or shrank.
    void composerChanged();
    /// The composer is open already and should come to the front.
    void composerRaised(vesk::ComposerSession* composer);
    void linkingChanged();
    void oauthConfiguredChanged();
    /// A session's cached mail changed: visibleThreads may differ.
    void threadsChanged();
    void offlineChanged();
    void waitingChangesChanged();
    /// An outbox gained or lost a message.
    void outboxChanged();
    /// isLoadingMore, isListComplete or loadMoreError changed.
    void pagingChanged();

private:
    ComposerSession* composerOfDraft(const QString& draftId) const;
    void learnSentRecipients(ComposerSession* composer);
    /// Brings the sessions in line with the registry, on each of its changes:
    /// an account that stays keeps its session (and its sync), with the
    /// registry's notification switch; a new account gets a session that is
    /// not started yet; a removed account's session is stopped and let go.
    void rebuildSessions();
    void setSelectedAccount(const QString& email);
    AccountSession* createSession(const AccountRegistry::Entry& entry);
    void updateOAuthConfigured();
    void openThreadLater(const QString& threadId);
    void loadSelectedLabel();
    /// Points the paging at the list shown, after a selection moved.
    void followShownList();
    void setSearchOutcome(bool running, std::optional<SessionError> error,
                          QList<ThreadSummary> results);
    void postRefusal(const AccountSession& session, const PendingChange& change,
                     const SessionError& reason);
    static AppServices watched(AppServices services);
    static QString labelTitleIn(const AccountSession* session, const QString& labelId);
    void attachOutbox(AccountSession* session);
    void sendOutboxes();
    /// Makes the change `make` gives for each account's share of the
    /// threads, and offers to undo them together.
    /// A search typed in the list of every account: each account's first
    /// page of hits, merged.
    QCoro::Task<> searchEveryAccount(QString query, quint64 generation);
    static std::optional<SessionError> offlineSearchSaid(std::optional<SessionError> failure);
    using ChangeMaker = std::function<PendingChange(const AccountSession&, QStringList)>;
    QCoro::Task<> change(QStringList threadIds, ChangeMaker make);
    /// Makes the change for each account's share, as already grouped.
    QCoro::Task<> changeIn(QList<std::pair<AccountSession*, QStringList>> groups, int threadCount,
                           ChangeMaker make);
    /// The threads' ids grouped by account, as each account knows them.
    QList<std::pair<AccountSession*, QStringList>> byAccount(const QStringList& threadIds) const;
    /// The id an account knows a listed thread by.
    QString plainThreadId(const QString& threadId) const;

    AppServices m_services;
    AccountRegistry m_registry;
    QList<AccountSession*> m_sessions;
    QString m_selectedAccountId;
    QString m_selectedLabelId = QStringLiteral("INBOX");
    QString m_selectedThreadId;
    QStringList m_selectedThreadIds;
    /// In the list of every account: whose conversation is selected.
    QString m_threadAccountId;
    QString m_searchText;
    QList<ThreadSummary> m_searchResults;
    bool m_isSearching = false;
    bool m_isSearchRunning = false;
    std::optional<SessionError> m_searchError;
    quint64 m_searchGeneration = 0;
    QList<QPointer<ComposerSession>> m_composers;
    bool m_oauthConfigured = false;
    NoticeBoard* m_notices;
    AccountLinker* m_linker;
    ThreadGrouping* m_grouping;
    /// Composers' address books are built here, one at a time.
    QThreadPool* m_composerWork;
    ListPaging* m_paging;
    /// The selected account's outbox as threads, while it is selected.
    mutable QList<ThreadSummary> m_outboxThreads;
    std::unique_ptr<UnreadBadge> m_badge;
    UndoOffer* m_undo;
};

} // namespace vesk
