#include "SummaryFetch.h"

#include "SyncEngine.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "model/MailStore.h"

#include <algorithm>
#include <vector>

namespace vesk {

namespace {

struct FetchQueue
{
    std::shared_ptr<GmailAPIClient> api;
    QStringList ids;
    bool tolerateMissing = false;
    qsizetype next = 0;
    QList<MessageSummary> fetched;
    QStringList missing;
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
    while (queue->next < queue->ids.size() && !queue->failure) {
        const QString id = queue->ids[queue->next++];
        std::exception_ptr error;
        try {
            const MessageDTO message =
                co_await queue->api->getMessage(id, QStringLiteral("metadata"));
            queue->fetched.append(message.toSummary());
            continue;
        } catch (...) {
            error = std::current_exception();
        }
        if (queue->tolerateMissing && isNotFound(error))
            queue->missing.append(id);
        else if (!queue->failure)
            queue->failure = error;
    }
}

} // namespace

QCoro::Task<SummaryFetch> fetchSummaries(std::shared_ptr<GmailAPIClient> api,
                                         std::shared_ptr<MailStore> store, QStringList ids,
                                         bool tolerateMissing)
{
    auto queue = std::make_shared<FetchQueue>();
    queue->api = std::move(api);
    queue->ids = std::move(ids);
    queue->tolerateMissing = tolerateMissing;

    // Tasks start at once; awaiting them one after another waits for all.
    std::vector<QCoro::Task<>> workers;
    const qsizetype count = std::min<qsizetype>(SyncEngine::maxParallelFetches, queue->ids.size());
    for (qsizetype i = 0; i < count; ++i)
        workers.push_back(worker(queue));
    for (QCoro::Task<>& running : workers)
        co_await running;

    if (!queue->missing.isEmpty()) {
        // Keep argument order for the removal, as the ids were asked.
        QStringList missing;
        for (const QString& id : queue->ids) {
            if (queue->missing.contains(id))
                missing.append(id);
        }
        store->removeMessages(missing);
    }
    std::stable_sort(queue->fetched.begin(), queue->fetched.end(),
                     [](const MessageSummary& a, const MessageSummary& b) {
                         return a.internalDateMs() > b.internalDateMs();
                     });
    co_return SummaryFetch{std::move(queue->fetched), queue->failure};
}

} // namespace vesk
