#include "JournalSender.h"

#include "PacedCall.h"
#include "SendOutcome.h"
#include "SummaryFetch.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailQuota.h"
#include "model/ChangeJournal.h"
#include "model/MailStore.h"
#include "model/SystemLabels.h"

#include <QPointer>

namespace vesk {

namespace {

using Priority = QuotaPacer::Priority;

} // namespace

JournalSender::JournalSender(std::shared_ptr<ChangeJournal> journal,
                             std::shared_ptr<GmailAPIClient> api, std::shared_ptr<MailStore> store,
                             std::shared_ptr<QuotaPacer> pacer, QObject* parent)
    : QObject(parent)
    , m_journal(std::move(journal))
    , m_api(std::move(api))
    , m_store(std::move(store))
    , m_pacer(std::move(pacer))
    , m_retry([this] {
        if (m_stopped)
            return;
        [](QPointer<JournalSender> sender) -> QCoro::Task<> {
            try {
                if (sender)
                    co_await sender->play();
            } catch (...) {
                // play() keeps its failures in the journal; nothing may
                // escape a detached task.
            }
        }(this);
    })
{}

JournalSender::~JournalSender() = default;

void JournalSender::stop()
{
    m_stopped = true;
    m_retry.cancel();
}

QCoro::Task<> JournalSender::play()
{
    // One play at a time keeps the changes in their order; a call meanwhile
    // makes the running play go on with whatever was added.
    if (m_playing) {
        m_playAgain = true;
        co_return;
    }
    m_retry.cancel();
    QPointer<JournalSender> self(this);
    const std::shared_ptr<ChangeJournal> journal = m_journal;
    const std::shared_ptr<MailStore> store = m_store;
    m_playing = true;
    bool sentAny = false;
    bool stalled = false;
    while (!stalled && !m_stopped && !journal->isEmpty()) {
        const PendingChange change = journal->changes().constFirst();
        std::optional<SendOutcome> outcome;
        SessionError reason;
        m_inFlight = change.id;
        try {
            co_await send(change);
        } catch (const std::exception& error) {
            outcome = sendOutcomeOf(error);
            reason = SessionError::from(error);
        }
        if (!self)
            co_return;
        m_inFlight = 0;
        if (outcome == SendOutcome::Retry) {
            stalled = true;
            continue;
        }
        if (outcome == SendOutcome::Refused) {
            co_await refuse(change, reason);
            if (!self)
                co_return;
        } else {
            journal->remove(change.id);
            if (outcome)
                store->dropPendingChange(change.id, false); // gone at Google
            else
                store->markChangeSent(change.id);
            sentAny = sentAny || !outcome;
        }
        Q_EMIT journalChanged();
        m_retry.succeeded();
    }
    m_playing = false;
    if (sentAny)
        Q_EMIT changesSent();
    if (stalled)
        m_retry.plan();
    else if (std::exchange(m_playAgain, false) && !journal->isEmpty())
        co_await play();
}

QCoro::Task<> JournalSender::send(PendingChange change)
{
    // Several conversations relabelled take one call for all their messages.
    if (change.kind == PendingChange::Kind::Labels && change.threadIds.size() > 1) {
        QStringList messageIds;
        for (const MessageSummary& summary : m_store->threadMessages(change.threadIds))
            messageIds.append(summary.id());
        for (qsizetype from = 0; from < messageIds.size(); from += maxBatchSize) {
            const QStringList batch = messageIds.mid(from, maxBatchSize);
            std::function<QCoro::Task<>()> call = [api = m_api, batch, change]() -> QCoro::Task<> {
                co_await api->batchModifyMessages(batch, change.add, change.remove);
            };
            co_await paced(GmailQuota::messagesBatchModify, std::move(call));
        }
        co_return;
    }
    for (const QString& threadId : change.threadIds) {
        try {
            co_await sendFor(change, threadId);
        } catch (const std::exception& error) {
            // One conversation of several deleted meanwhile: the others
            // still change.
            if (change.threadIds.size() == 1 || sendOutcomeOf(error) != SendOutcome::Gone)
                throw;
        }
    }
}

QCoro::Task<> JournalSender::sendFor(PendingChange change, QString threadId)
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    switch (change.kind) {
    case PendingChange::Kind::Trash: {
        std::function<QCoro::Task<>()> trash = [api, threadId]() -> QCoro::Task<> {
            co_await api->trashThread(threadId);
        };
        co_await paced(GmailQuota::threadsModify, std::move(trash));
        co_return;
    }
    case PendingChange::Kind::Untrash: {
        std::function<QCoro::Task<>()> untrash = [api, threadId]() -> QCoro::Task<> {
            co_await api->untrashThread(threadId);
        };
        co_await paced(GmailQuota::threadsModify, std::move(untrash));
        // Out of the trash is not yet back in the inbox.
        QStringList remove = change.remove;
        remove.removeAll(SystemLabels::trash());
        if (change.add.isEmpty() && remove.isEmpty())
            co_return;
        change.remove = remove;
        break;
    }
    case PendingChange::Kind::Labels:
        break;
    }
    std::function<QCoro::Task<>()> modify = [api, threadId, change]() -> QCoro::Task<> {
        co_await api->modifyThread(threadId, change.add, change.remove);
    };
    co_await paced(GmailQuota::threadsModify, std::move(modify));
}

QCoro::Task<> JournalSender::paced(int units, std::function<QCoro::Task<>()> call)
{
    std::function<QCoro::Task<bool>()> counted = [call = std::move(call)]() -> QCoro::Task<bool> {
        co_await call();
        co_return true;
    };
    co_await pacedCall<bool>(m_pacer, units, Priority::Interactive, std::move(counted));
}

QCoro::Task<> JournalSender::refuse(PendingChange change, SessionError reason)
{
    QPointer<JournalSender> self(this);
    m_store->dropPendingChange(change.id, true);
    co_await readThreadsAgain(change.threadIds);
    // Out of the journal only once the cache shows the conversation as
    // Google has it and the person is told: nothing waits while neither is.
    m_journal->remove(change.id);
    if (self)
        Q_EMIT changeRefused(change, reason);
}

QCoro::Task<> JournalSender::readThreadsAgain(QStringList threadIds)
{
    QStringList ids;
    for (const MessageSummary& summary : m_store->threadMessages(threadIds))
        ids.append(summary.id());
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, m_store, m_pacer, Priority::Interactive, ids, true);
    // What came is Google's word, with the later changes on top; the undo
    // guess stays for what did not.
    m_store->upsert(fetched.summaries);
}

} // namespace vesk
