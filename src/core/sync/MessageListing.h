#pragma once

#include "QuotaPacer.h"

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace vesk {

class GmailAPIClient;
class GmailError;

/// The ids Gmail lists for a label or a search, newest first, over as many
/// of messages.list's pages as it takes, and the token for what follows.
///
/// A list of more than one page of the window's is asked for in pages of
/// Gmail's largest size: the quota counts calls, not messages, so the ten
/// pages a label has been scrolled to cost two calls, not ten.
/// A value; list() runs on the calling thread's event loop.
struct MessageListing final
{
    /// Gmail's largest page of messages.list.
    static constexpr int largestPage = 500;

    QStringList ids;
    /// Empty at the end of the list.
    QString nextPageToken;

    bool isComplete() const { return nextPageToken.isEmpty(); }

    /// The first `count` messages from `pageToken` (the start when none) of
    /// the label `labelId` or of the search `query` (one of the two), each
    /// call paced by the account's quota. Fails with the client's error.
    static QCoro::Task<MessageListing> list(std::shared_ptr<GmailAPIClient> api,
                                            std::shared_ptr<QuotaPacer> pacer,
                                            QuotaPacer::Priority priority, QString labelId,
                                            QString query, int count,
                                            std::optional<QString> pageToken = std::nullopt);

    /// Google refused a page token it gave out earlier (it names a place in
    /// the list that is gone): only listing again from the start helps.
    static bool isRefusedToken(const GmailError& error);
};

} // namespace vesk
