#pragma once

#include <QDateTime>
#include <QString>

namespace vesk::fakegoogle {

// Tokens handed out directly by the stand-in, as the token endpoint would
// after a consent, so tests can skip the browser flow.
struct TokenGrant
{
    QString accessToken;
    QString refreshToken;
    QDateTime expiresAt; // on the stand-in's clock
    QString scope;       // space-separated, as the token endpoint reports it
};

} // namespace vesk::fakegoogle
