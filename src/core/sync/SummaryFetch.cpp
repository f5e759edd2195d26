#include "SummaryFetch.h"

#include "PacedCall.h"
#include "SyncEngine.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "gmail/GmailQuota.h"
#include "model/MailStore.h"

#include <QSet>

#include <algorithm>
#include <vector>

namespace vesk {

namespace {

struct FetchQueue
{
    std::shared_ptr<GmailAPIClient> api;
    std::shared_ptr<QuotaPacer> pacer;
    QuotaPacer::Priority priority = QuotaPacer::Priority::Background;
    QStringList ids;
    bool tolerateMissing = false;
    qsizetype next = 0;
    QList<MessageSummary> fetched;
    QSet<QString> missing;
    std::exception_ptr failure;
};

bool isNotFound(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const GmailError& e) {
        return e.kind() == GmailError::Kind::Http && e.status() == 404;
    } catch (...) {
        return false;
    }
}

/// Takes ids from the shared queue until it is empty or a failure stops all.
QCoro::Task<> worker(std::shared_ptr<FetchQueue> queue)
{
    const auto metadata = QStringLiteral("metadata");
    while (queue->next < queue->ids.size() && !queue->failure) {
        const QString id = queue->ids[queue->next++];
        std::exception_ptr error;
        try {
            const std::shared_ptr<GmailAPIClient> api = queue->api;
            // Callables are named before the co_await: GCC 12 mishandles
            // temporaries with destructors inside a co_await expression.
            std::function<QCoro::Task<MessageDTO>()> get = [api, id, metadata] {
                return api->getMessage(id, metadata);
            };
            const MessageDTO message = co_await pacedCall<MessageDTO>(
                queue->pacer, GmailQuota::messagesGet, queue->priority, std::move(get));
            queue->fetched.append(message.toSummary());
            continue;
        } catch (...) {
            error = std::current_exception();
        }
        if (queue->tolerateMissing && isNotFound(error))
            queue->missing.insert(id);
        else if (!queue->failure)
            queue->failure = error;
    }
}

} // namespace

QCoro::Task<SummaryFetch> fetchSummaries(std::shared_ptr<GmailAPIClient> api,
                                         std::shared_ptr<MailStore> store,
                                         std::shared_ptr<QuotaPacer> pacer,
                                         QuotaPacer::Priority priority, QStringList ids,
                                         bool tolerateMissing)
{
    auto queue = std::make_shared<FetchQueue>();
    queue->api = std::move(api);
    queue->pacer = std::move(pacer);
    queue->priority = priority;
    queue->ids = std::move(ids);
    queue->tolerateMissing = tolerateMissing;

    // Tasks start at once; awaiting them one after another waits for all.
    std::vector<QCoro::Task<>> workers;
    const qsizetype count = std::min<qsizetype>(SyncEngine::maxParallelFetches, queue->ids.size());
    for (qsizetype i = 0; i < count; ++i)
        workers.push_back(worker(queue));
    for (QCoro::Task<>& running : workers)
        co_await running;

    QStringList missing;
    for (const QString& id : queue->ids) {
        if (queue->missing.contains(id))
            missing.append(id);
    }
    if (!missing.isEmpty())
        store->removeMessages(missing);
    std::stable_sort(queue->fetched.begin(), queue->fetched.end(),
                     [](const MessageSummary& a, const MessageSummary& b) {
                         return a.internalDateMs() > b.internalDateMs();
                     });
    co_return SummaryFetch{std::move(queue->fetched), std::move(missing), queue->failure};
}

} // namespace vesk
