#pragma once

#include "FakeGoogle.h"
#include "auth/TokenSet.h"
#include "sync/SessionServices.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace vesk {
class NotificationPosting;
class OAuthConfig;
} // namespace vesk

namespace vesk::test {

/// A started Google stand-in with the OAuth client "cid" / "segredo", and
/// what sessions need to reach it, for the tests that drive whole accounts.
class GoogleRig final
{
public:
    GoogleRig();

    fakegoogle::FakeGoogle& google() { return *m_google; }

    /// Services pointing at the stand-in, with quick retries.
    SessionServices sessionServices(std::shared_ptr<OAuthConfig> config,
                                    std::shared_ptr<NotificationPosting> poster,
                                    const QString& cacheDirectory) const;
    OAuthEndpoints oauthEndpoints() const;
    /// Fresh tokens for the account, as after a consent.
    TokenSet tokensFor(const QString& email);

    /// A plain message from Sofia to `to` with this subject.
    static QByteArray mail(const QString& to, const QString& subject);

private:
    std::unique_ptr<fakegoogle::FakeGoogle> m_google;
};

/// How many requests the stand-in received whose path ends with `pathEnd`.
int requestsEndingWith(const fakegoogle::FakeGoogle& google, const QString& pathEnd);

} // namespace vesk::test
