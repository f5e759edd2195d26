#pragma once

#include "auth/OAuthEndpoints.h"
#include "gmail/GmailEndpoints.h"
#include "net/Reachability.h"
#include "net/RetryPolicy.h"

#include <QPointer>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace vesk {

class CachePreload;
class HTTPTransport;
class NotificationPosting;
class OAuthConfig;
class OfflineLimit;

/// What every account session is built with. The application passes the
/// shared transport, the system poster, the shared OAuth configuration and
/// Google's addresses; tests and the demo point them elsewhere.
struct SessionServices
{
    std::shared_ptr<HTTPTransport> transport;
    std::shared_ptr<NotificationPosting> poster;
    std::shared_ptr<OAuthConfig> oauthConfig;
    OAuthEndpoints oauthEndpoints;
    GmailEndpoints gmailEndpoints;
    RetryPolicy retryPolicy;
    /// The cache's base folder; the default location when absent.
    std::optional<QString> storeBaseDirectory;
    /// The pause between two periodic syncs of a started session.
    std::chrono::milliseconds syncInterval = std::chrono::seconds(60);
    /// The accounts' caches, when read ahead; a session takes its own.
    std::shared_ptr<CachePreload> cachePreload = nullptr;
    /// Whether Google can be reached: sessions send and sync at once when it
    /// comes back. The application state sets it.
    QPointer<Reachability> reachability = nullptr;
    /// How much the conversations kept for reading offline may take; the
    /// default limit when absent.
    std::shared_ptr<OfflineLimit> offlineLimit = nullptr;
};

} // namespace vesk
