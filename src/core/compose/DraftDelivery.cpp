#include "DraftDelivery.h"

#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "gmail/GmailQuota.h"
#include "sync/PacedCall.h"

namespace vesk {

namespace {

bool isNotFound(const GmailError& error)
{
    return error.kind() == GmailError::Kind::Http && error.status() == 404;
}

} // namespace

DraftDelivery::DraftDelivery(std::shared_ptr<GmailAPIClient> api, std::shared_ptr<QuotaPacer> pacer)
    : m_api(std::move(api))
    , m_pacer(std::move(pacer))
{}

QCoro::Task<> DraftDelivery::deliver(QByteArray raw, std::optional<QString> threadId,
                                     std::shared_ptr<DeliveryState> state,
                                     std::function<void()> changed) const
{
    const auto moved = [&changed] {
        if (changed)
            changed();
    };
    // Twice at most: once more when the draft was deleted elsewhere before
    // it could be sent.
    for (int round = 0;; ++round) {
        if (!state->draftIsFinal) {
            co_await writeDraft(raw, threadId, state);
            state->draftIsFinal = true;
            state->sendTried = false;
            moved();
        }
        const bool triedBefore = state->sendTried;
        if (!triedBefore) {
            state->sendTried = true;
            moved();
        }
        const std::shared_ptr<GmailAPIClient> api = m_api;
        const QString draftId = state->draftId.value_or(QString());
        bool missing = false;
        std::function<QCoro::Task<>()> send = [api, draftId]() -> QCoro::Task<> {
            co_await api->sendDraft(draftId);
        };
        try {
            co_await paced(GmailQuota::messagesSend, std::move(send));
        } catch (const GmailError& error) {
            if (!isNotFound(error) || (!triedBefore && round > 0))
                throw;
            missing = true;
        }
        if (!missing || triedBefore)
            co_return; // sent now, or by the attempt whose answer was lost
        state->draftId.reset();
        state->draftIsFinal = false;
        state->sendTried = false;
        moved();
    }
}

QCoro::Task<> DraftDelivery::writeDraft(QByteArray raw, std::optional<QString> threadId,
                                        std::shared_ptr<DeliveryState> state) const
{
    const std::shared_ptr<GmailAPIClient> api = m_api;
    if (state->draftId) {
        const QString draftId = *state->draftId;
        std::function<QCoro::Task<>()> update = [api, draftId, raw, threadId]() -> QCoro::Task<> {
            co_await api->updateDraft(draftId, raw, threadId);
        };
        try {
            co_await paced(GmailQuota::draftsWrite, std::move(update));
            co_return;
        } catch (const GmailError& error) {
            if (!isNotFound(error))
                throw;
        }
        state->draftId.reset();
    }
    auto created = std::make_shared<QString>();
    std::function<QCoro::Task<>()> create = [api, raw, threadId, created]() -> QCoro::Task<> {
        *created = (co_await api->createDraft(raw, threadId)).id;
    };
    co_await paced(GmailQuota::draftsWrite, std::move(create));
    state->draftId = *created;
}

QCoro::Task<> DraftDelivery::paced(int units, std::function<QCoro::Task<>()> call) const
{
    if (!m_pacer) {
        co_await call();
        co_return;
    }
    std::function<QCoro::Task<bool>()> counted = [call = std::move(call)]() -> QCoro::Task<bool> {
        co_await call();
        co_return true;
    };
    co_await pacedCall<bool>(m_pacer, units, QuotaPacer::Priority::Interactive, std::move(counted));
}

} // namespace vesk
