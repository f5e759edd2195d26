#pragma once

#include "AccessTokenProviding.h"

namespace vesk {

/// A fixed token: serves the moment after an authorisation, before the new
/// account has a token vault, and tests.
class StaticTokenProvider final : public AccessTokenProviding
{
public:
    explicit StaticTokenProvider(QString token);

    QCoro::Task<QString> validAccessToken() override;
    QCoro::Task<void> invalidateAccessToken() override;

private:
    const QString m_token;
};

} // namespace vesk
