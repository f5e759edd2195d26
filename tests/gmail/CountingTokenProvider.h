#pragma once

#include "gmail/AccessTokenProviding.h"

#include <QStringList>

/// Hands out the tokens it is given, in turn, and counts the calls, so tests
/// can see how the client asks for tokens.
class CountingTokenProvider final : public vesk::AccessTokenProviding
{
public:
    explicit CountingTokenProvider(QStringList tokens)
        : m_tokens(std::move(tokens))
    {}

    QCoro::Task<QString> validAccessToken() override
    {
        ++requests;
        co_return m_tokens.value(std::min<qsizetype>(invalidations, m_tokens.size() - 1));
    }

    QCoro::Task<void> invalidateAccessToken() override
    {
        ++invalidations;
        co_return;
    }

    int requests = 0;
    int invalidations = 0;

private:
    QStringList m_tokens;
};
