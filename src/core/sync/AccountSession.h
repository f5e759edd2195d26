#pragma once

#include "MessageListPage.h"
#include "SessionError.h"
#include "SessionServices.h"
#include "model/AccountIdentity.h"
#include "model/FullMessage.h"
#include "model/LabelInfo.h"
#include "model/PendingChange.h"
#include "model/ThreadSummary.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace vesk {

class ChangeJournal;
class GmailAPIClient;
class JournalSender;
class MailStore;
class Reachability;
class OfflineThreads;
class SwitchedPoster;
class SyncEngine;
class TokenVault;

/// Everything the interface needs of one linked account: its token vault,
/// Gmail client, cache and sync engine, the labels, the thread open in the
/// reader (kept on disk too, to open again without a connection), a busy
/// flag and the last error, and the actions on a thread.
///
/// An action changes the cache at once and goes into the account's journal,
/// which its sender plays to Gmail whenever Google can be reached: at start,
/// after each action, when the connection comes back, and after a pause
/// following a passing failure. A change Gmail refuses is undone and
/// announced by changeRefused().
///
/// Lives on the GUI thread. No operation but the search fails towards its
/// caller: failures become lastError(), the open thread's error, or are
/// dropped as described at each operation.
///
/// The application state keeps a session for as long as its account stays
/// linked, across changes to the other accounts and to its own notification
/// switch, and stops it when the account is removed.
class AccountSession final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<LabelInfo> labels READ labels NOTIFY labelsChanged)
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)
    Q_PROPERTY(bool isSyncing READ isSyncing NOTIFY isSyncingChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(vesk::SessionError::Kind lastErrorKind READ lastErrorKind NOTIFY lastErrorChanged)
    Q_PROPERTY(QString openThreadId READ openThreadId NOTIFY openThreadChanged)

public:
    static constexpr int searchSize = 50;
    AccountSession(AccountIdentity identity, const SessionServices& services,
                   bool notificationsEnabled, QObject* parent = nullptr);
    ~AccountSession() override;

    const AccountIdentity& identity() const { return m_identity; }
    const QString& id() const { return m_identity.email; }
    std::shared_ptr<GmailAPIClient> api() const { return m_api; }
    std::shared_ptr<TokenVault> vault() const { return m_vault; }
    std::shared_ptr<MailStore> store() const { return m_store; }
    /// The conversations kept for reading offline.
    std::shared_ptr<OfflineThreads> offlineThreads() const { return m_offline; }
    SyncEngine& engine() const { return *m_engine; }
    const std::shared_ptr<ChangeJournal>& journal() const { return m_journal; }
    JournalSender& sender() const { return *m_sender; }
    /// Changes made here that Gmail has not taken yet.
    int waitingChanges() const;
    /// Google is known to be out of reach now.
    bool isOffline() const;

    const QList<LabelInfo>& labels() const { return m_labels; }
    int revision() const { return m_revision; }
    bool isSyncing() const { return m_isSyncing; }
    /// The last failure's text; empty when the last attempt succeeded.
    QString lastError() const;
    /// What the last error calls for (linking again, waiting); Other when none.
    SessionError::Kind lastErrorKind() const;
    /// The last failure whole: sentence, kind and what came in; none when the
    /// last attempt succeeded.
    const std::optional<SessionError>& lastFailure() const { return m_lastError; }
    const QList<FullMessage>& openThreadMessages() const { return m_openThreadMessages; }
    /// Empty while no thread is open.
    QString openThreadId() const { return m_openThreadId.value_or(QString()); }
    /// The open thread is being fetched and there is nothing to show yet.
    bool isOpeningThread() const { return m_isOpeningThread; }
    /// Why the open thread could not be fetched; none while it loads or once
    /// shown (a kept copy shown meanwhile counts as shown).
    const std::optional<SessionError>& openThreadError() const { return m_openThreadError; }
    /// Unread messages in the inbox as Gmail counts them; 0 before labels load.
    qint64 inboxUnread() const;

    bool notificationsEnabled() const;
    /// Takes effect from the engine's next announcement on, running or not.
    void setNotificationsEnabled(bool enabled);
    /// Ends syncing for good: the periodic sync stops, and a start still
    /// waiting for its first sync does not begin one. Work already in flight
    /// runs out.
    void stop();

    /// Copies labels and the engine's error from the store and the engine.
    void refreshFromStore();

    QCoro::Task<> startSync();
    QCoro::Task<> syncNow();
    QCoro::Task<> ensureLabelLoaded(QString labelId);
    /// One page of searchSize hits of the server-side search, from
    /// `pageToken` (the first page when empty; see SyncEngine::searchPage
    /// for `loaded`); throws what it failed with.
    QCoro::Task<MessageListPage> searchPage(QString query, QString pageToken, int loaded);
    /// Shows the kept copy of the thread at once when there is one, then
    /// what Google sends, which is kept in turn; a failed fetch leaves a
    /// kept copy in place and is only an error without one.
    QCoro::Task<> openThread(QString threadId);
    /// Nothing open any more: the reader shows what it shows without one.
    void closeThread();
    /// Applies the change to the cache at once and keeps it in the journal,
    /// as far as it changes anything: labels already so are left out of it,
    /// so that its reversal restores what was. Returns it as recorded (with
    /// its journal id), none when it changes nothing. Trashing the open
    /// conversation closes it. sendWaitingChanges() takes it to Gmail.
    std::optional<PendingChange> recordChange(PendingChange change);
    /// Plays the journal to Gmail; returns when it is empty or a passing
    /// failure stopped it.
    QCoro::Task<> sendWaitingChanges();
    /// recordChange() and sendWaitingChanges().
    QCoro::Task<> makeChange(PendingChange change);
    /// Takes back a change recorded earlier: one still waiting in the
    /// journal is dropped before Gmail hears of it; otherwise its reversal
    /// is made like any change.
    QCoro::Task<> undoChange(PendingChange change);

Q_SIGNALS:
    void labelsChanged();
    void revisionChanged();
    void isSyncingChanged();
    void lastErrorChanged();
    void openThreadChanged();
    /// The journal grew or shrank.
    void waitingChangesChanged();
    /// Gmail refused a change for good: the cache shows the conversation
    /// as it was again.
    void changeRefused(vesk::PendingChange change, vesk::SessionError reason);
    /// Something the person should know that belongs to no conversation
    /// (a change that could not be kept on disk).
    void noticeRaised(vesk::SessionError notice);

private:
    void setSyncing(bool syncing);
    void setLastError(std::optional<SessionError> error);
    void setOpenThread(std::optional<QString> threadId, QList<FullMessage> messages,
                       bool opening = false, std::optional<SessionError> error = std::nullopt);

    const AccountIdentity m_identity;
    std::shared_ptr<TokenVault> m_vault;
    std::shared_ptr<GmailAPIClient> m_api;
    std::shared_ptr<MailStore> m_store;
    std::shared_ptr<OfflineThreads> m_offline;
    std::shared_ptr<SwitchedPoster> m_poster;
    std::unique_ptr<SyncEngine> m_engine;
    std::shared_ptr<ChangeJournal> m_journal;
    JournalSender* m_sender;
    const std::chrono::milliseconds m_syncInterval;
    QPointer<Reachability> m_reachability;
    bool m_started = false;
    bool m_stopped = false;

    QList<LabelInfo> m_labels;
    int m_revision = 0;
    bool m_isSyncing = false;
    std::optional<SessionError> m_lastError;
    QList<FullMessage> m_openThreadMessages;
    std::optional<QString> m_openThreadId;
    bool m_isOpeningThread = false;
    std::optional<SessionError> m_openThreadError;
};

} // namespace vesk
