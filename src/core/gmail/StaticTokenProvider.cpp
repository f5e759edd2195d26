#include "StaticTokenProvider.h"

namespace vesk {

StaticTokenProvider::StaticTokenProvider(QString token)
    : m_token(std::move(token))
{}

QCoro::Task<QString> StaticTokenProvider::validAccessToken()
{
    co_return m_token;
}

QCoro::Task<void> StaticTokenProvider::invalidateAccessToken()
{
    co_return;
}

} // namespace vesk
