#include "QNetworkTransport.h"

#include "DescribedError.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace vesk {

namespace {

struct DeleteLater
{
    void operator()(QObject* object) const { object->deleteLater(); }
};

} // namespace

QNetworkTransport::QNetworkTransport()
    : m_manager(std::make_unique<QNetworkAccessManager>())
{
    // Tokens and mail must never sit in a disk cache or follow a cookie jar.
    m_manager->setCookieJar(nullptr);
}

QNetworkTransport::~QNetworkTransport() = default;

QCoro::Task<HTTPResponse> QNetworkTransport::send(HTTPRequest request)
{
    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(int(request.timeout.count()));
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);

    std::unique_ptr<QNetworkReply, DeleteLater> reply(
        request.body ? m_manager->sendCustomRequest(networkRequest, request.method, *request.body)
                     : m_manager->sendCustomRequest(networkRequest, request.method));
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() && reply->error() != QNetworkReply::NoError)
        throw NetworkError(reply->errorString());

    HTTPResponse response;
    if (status.isValid())
        response.statusCode = status.toInt();
    response.headers = reply->rawHeaderPairs();
    response.body = reply->readAll();
    co_return response;
}

} // namespace vesk
