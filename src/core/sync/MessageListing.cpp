#include "MessageListing.h"

#include "PacedCall.h"
#include "gmail/GmailAPIClient.h"
#include "gmail/GmailError.h"
#include "gmail/GmailQuota.h"

#include <algorithm>

namespace vesk {

QCoro::Task<MessageListing> MessageListing::list(std::shared_ptr<GmailAPIClient> api,
                                                 std::shared_ptr<QuotaPacer> pacer,
                                                 QuotaPacer::Priority priority, QString labelId,
                                                 QString query, int count,
                                                 std::optional<QString> pageToken)
{
    const QStringList labels = labelId.isEmpty() ? QStringList() : QStringList(labelId);
    const std::optional<QString> search =
        query.isEmpty() ? std::nullopt : std::optional<QString>(query);
    MessageListing listing;
    count = std::max(count, 1);
    do {
        const int size = std::min(largestPage, count - int(listing.ids.size()));
        std::function<QCoro::Task<MessageListDTO>()> call = [api, search, labels, size, pageToken] {
            return api->listMessages(search, labels, size, pageToken);
        };
        const MessageListDTO page = co_await pacedCall<MessageListDTO>(
            pacer, GmailQuota::messagesList, priority, std::move(call));
        const QList<MessageListDTO::Ref> refs =
            page.messages.value_or(QList<MessageListDTO::Ref>());
        for (const MessageListDTO::Ref& ref : refs)
            listing.ids.append(ref.id);
        pageToken = page.nextPageToken;
        if (pageToken && pageToken->isEmpty())
            pageToken.reset();
        // An empty page that still names a next one would never end.
        if (refs.isEmpty())
            break;
    } while (pageToken && listing.ids.size() < count);
    listing.nextPageToken = pageToken.value_or(QString());
    co_return listing;
}

bool MessageListing::isRefusedToken(const GmailError& error)
{
    return error.kind() == GmailError::Kind::Http && error.status() == 400;
}

} // namespace vesk
