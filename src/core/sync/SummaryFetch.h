#pragma once

#include "QuotaPacer.h"
#include "model/MessageSummary.h"

#include <QCoroTask>
#include <QList>
#include <QStringList>

#include <exception>
#include <memory>

namespace vesk {

class GmailAPIClient;
class MailStore;

/// What fetching the summaries of a list of messages gave.
struct SummaryFetch
{
    /// Newest first; equal dates keep completion order.
    QList<MessageSummary> summaries;
    /// Ids Google answered 404 for (only with `tolerateMissing`), in argument order.
    QStringList missing;
    /// The first failure that was not tolerated, if any.
    std::exception_ptr failure;
};

/// Fetches message metadata with a bounded number of requests in flight, each
/// paced by the account's quota.
///
/// With `tolerateMissing`, a message Google answers 404 for is gone: it is
/// dropped and removed from the store. Any other failure is reported in the
/// result together with every summary fetched before it, so that the caller
/// can keep that progress; a passing fault never removes cached mail.
/// Without it, the first failure is reported and the summaries must not be used.
QCoro::Task<SummaryFetch> fetchSummaries(std::shared_ptr<GmailAPIClient> api,
                                         std::shared_ptr<MailStore> store,
                                         std::shared_ptr<QuotaPacer> pacer,
                                         QuotaPacer::Priority priority, QStringList ids,
                                         bool tolerateMissing);

} // namespace vesk
