#pragma once

#include "DeliveryState.h"

#include <QByteArray>
#include <QCoroTask>

#include <functional>
#include <memory>

namespace vesk {

class GmailAPIClient;
class QuotaPacer;

/// Sends a message through its Gmail draft rather than in one request, so
/// that a send whose answer never came can be tried again without the
/// message going out twice: Gmail deletes a draft it has sent, and sending
/// the same draft again answers 404.
///
/// The draft is written first (updated when there is one, created when there
/// is none or it has gone), then sent. Errors are thrown as the client throws
/// them; `state` then says how far it got.
class DraftDelivery final
{
public:
    /// A null `pacer` makes the calls at once.
    DraftDelivery(std::shared_ptr<GmailAPIClient> api, std::shared_ptr<QuotaPacer> pacer);

    /// `changed` runs each time `state` moves on, before the next request,
    /// so that a caller can keep it on disk.
    QCoro::Task<> deliver(QByteArray raw, std::optional<QString> threadId,
                          std::shared_ptr<DeliveryState> state,
                          std::function<void()> changed = {}) const;

private:
    QCoro::Task<> writeDraft(QByteArray raw, std::optional<QString> threadId,
                             std::shared_ptr<DeliveryState> state) const;
    QCoro::Task<> paced(int units, std::function<QCoro::Task<>()> call) const;

    std::shared_ptr<GmailAPIClient> m_api;
    std::shared_ptr<QuotaPacer> m_pacer;
};

} // namespace vesk
