#pragma once

#include "RetryTimer.h"
#include "SessionError.h"
#include "model/PendingChange.h"

#include <QCoroTask>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

namespace vesk {

class ChangeJournal;
class GmailAPIClient;
class MailStore;
class QuotaPacer;

/// Plays an account's journal to Gmail, oldest change first, one at a time
/// and paced by the account's quota.
///
/// - A change Gmail takes leaves the journal; the cache keeps showing it
///   until a synchronisation brings it back from Google.
/// - A passing failure (network, Google's servers, quota, tokens) stops the
///   play; it starts again after a growing pause, or at once on play().
/// - A change about a conversation that no longer exists is dropped.
/// - A change Gmail refuses is undone in the cache (the conversation is read
///   again from Google, with later changes on top) and reported.
///
/// Owned by the account session, on the GUI thread.
class JournalSender final : public QObject
{
    Q_OBJECT

public:
    JournalSender(std::shared_ptr<ChangeJournal> journal, std::shared_ptr<GmailAPIClient> api,
                  std::shared_ptr<MailStore> store, std::shared_ptr<QuotaPacer> pacer,
                  QObject* parent = nullptr);
    ~JournalSender() override;

    /// Sends what waits, now: a pause after a failure is cut short. Returns
    /// when the journal is empty or a passing failure stopped the play.
    QCoro::Task<> play();
    /// No more plays, when the account goes.
    void stop();
    bool isPlaying() const { return m_playing; }
    /// The change is on its way to Gmail now.
    bool isSending(quint64 changeId) const { return m_inFlight == changeId; }

Q_SIGNALS:
    /// The journal lost a change (sent, dropped or refused).
    void journalChanged();
    /// At least one change reached Gmail in the play that just stopped.
    void changesSent();
    /// Gmail refused `change` for good; the cache no longer shows it.
    void changeRefused(vesk::PendingChange change, vesk::SessionError reason);

private:
    /// Gmail's messages.batchModify takes at most this many messages.
    static constexpr qsizetype maxBatchSize = 1000;

    QCoro::Task<> send(PendingChange change);
    QCoro::Task<> sendFor(PendingChange change, QString threadId);
    QCoro::Task<> paced(int units, std::function<QCoro::Task<>()> call);
    /// Undoes a change Gmail refused and reports it.
    QCoro::Task<> refuse(PendingChange change, SessionError reason);
    QCoro::Task<> readThreadsAgain(QStringList threadIds);

    const std::shared_ptr<ChangeJournal> m_journal;
    const std::shared_ptr<GmailAPIClient> m_api;
    const std::shared_ptr<MailStore> m_store;
    const std::shared_ptr<QuotaPacer> m_pacer;
    bool m_playing = false;
    quint64 m_inFlight = 0;
    bool m_playAgain = false;
    bool m_stopped = false;
    RetryTimer m_retry;
};

} // namespace vesk
