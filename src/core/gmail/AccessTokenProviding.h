#pragma once

#include <QCoroTask>
#include <QString>

namespace vesk {

/// Yields the bearer token of one account for the Gmail client.
class AccessTokenProviding
{
public:
    virtual ~AccessTokenProviding() = default;
    /// May fail; its failures reach the caller of the Gmail operation unchanged.
    virtual QCoro::Task<QString> validAccessToken() = 0;
    /// Google has just refused the last token; the next one must be fresh.
    virtual QCoro::Task<void> invalidateAccessToken() = 0;
};

} // namespace vesk
