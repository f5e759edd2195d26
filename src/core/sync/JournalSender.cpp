#include "JournalSender.h"

#include "PacedCall.h"
#include "SendOutcome.h"
#include "SummaryFetch.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailQuota.h"
#include "model/ChangeJournal.h"
#include "model/MailStore.h"

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
        try {
            co_await send(change);
        } catch (const std::exception& error) {
            outcome = sendOutcomeOf(error);
            reason = SessionError::from(error);
        }
        if (!self)
            co_return;
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
    const std::shared_ptr<GmailAPIClient> api = m_api;
    std::function<QCoro::Task<bool>()> call = [api, change]() -> QCoro::Task<bool> {
        switch (change.kind) {
        case PendingChange::Kind::Trash:
            co_await api->trashThread(change.threadId);
            break;
        case PendingChange::Kind::Untrash:
            co_await api->untrashThread(change.threadId);
            break;
        case PendingChange::Kind::Labels:
            co_await api->modifyThread(change.threadId, change.add, change.remove);
            break;
        }
        co_return true;
    };
    co_await pacedCall<bool>(m_pacer, GmailQuota::threadsModify, Priority::Interactive,
                             std::move(call));
}

QCoro::Task<> JournalSender::refuse(PendingChange change, SessionError reason)
{
    QPointer<JournalSender> self(this);
    m_store->dropPendingChange(change.id, true);
    co_await readThreadAgain(change.threadId);
    // Out of the journal only once the cache shows the conversation as
    // Google has it and the person is told: nothing waits while neither is.
    m_journal->remove(change.id);
    if (self)
        Q_EMIT changeRefused(change, reason);
}

QCoro::Task<> JournalSender::readThreadAgain(QString threadId)
{
    QStringList ids;
    for (const MessageSummary& summary : m_store->threadMessages(threadId))
        ids.append(summary.id());
    const SummaryFetch fetched =
        co_await fetchSummaries(m_api, m_store, m_pacer, Priority::Interactive, ids, true);
    // What came is Google's word, with the later changes on top; the undo
    // guess stays for what did not.
    m_store->upsert(fetched.summaries);
}

} // namespace vesk
