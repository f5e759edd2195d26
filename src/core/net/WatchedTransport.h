#pragma once

#include "HTTPTransport.h"

#include <QPointer>

#include <memory>

namespace vesk {

class Reachability;

/// Passes requests on and tells `reachability` what each one learned of the
/// network: every request of every account, and of linking, counts.
/// Used where the inner transport is used (the GUI thread).
class WatchedTransport final : public HTTPTransport
{
public:
    WatchedTransport(std::shared_ptr<HTTPTransport> inner, Reachability* reachability);

    QCoro::Task<HTTPResponse> send(HTTPRequest request) override;

private:
    const std::shared_ptr<HTTPTransport> m_inner;
    const QPointer<Reachability> m_reachability;
};

} // namespace vesk
