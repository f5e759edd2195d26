#include "WatchedTransport.h"

#include "DescribedError.h"
#include "Reachability.h"

namespace vesk {

WatchedTransport::WatchedTransport(std::shared_ptr<HTTPTransport> inner, Reachability* reachability)
    : m_inner(std::move(inner))
    , m_reachability(reachability)
{}

QCoro::Task<HTTPResponse> WatchedTransport::send(HTTPRequest request)
{
    const std::shared_ptr<HTTPTransport> inner = m_inner;
    const QPointer<Reachability> reachability = m_reachability;
    HTTPResponse response;
    try {
        response = co_await inner->send(std::move(request));
    } catch (const NetworkError&) {
        if (reachability)
            reachability->noteNetworkFailure();
        throw;
    }
    if (reachability)
        reachability->noteAnswer();
    co_return response;
}

} // namespace vesk
