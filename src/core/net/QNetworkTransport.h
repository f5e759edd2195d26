#pragma once

#include "HTTPTransport.h"

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace vesk {

/// HTTPTransport over one QNetworkAccessManager. Lives on, and must be used
/// from, the thread that created it (the GUI thread in the application);
/// share one instance between all accounts and the OAuth requests.
class QNetworkTransport final : public HTTPTransport
{
public:
    QNetworkTransport();
    ~QNetworkTransport() override;

    QCoro::Task<HTTPResponse> send(HTTPRequest request) override;

    QNetworkAccessManager* manager() const { return m_manager.get(); }

private:
    QNetworkReply* start(const QNetworkRequest& networkRequest, const HTTPRequest& request) const;

    std::unique_ptr<QNetworkAccessManager> m_manager;
};

} // namespace vesk
