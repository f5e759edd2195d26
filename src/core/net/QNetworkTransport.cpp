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

QNetworkReply* QNetworkTransport::start(const QNetworkRequest& networkRequest,
                                        const HTTPRequest& request) const
{
    // A custom verb without a body keeps Qt waiting for one; use the plain
    // operations where there is one.
    if (request.body)
        return m_manager->sendCustomRequest(networkRequest, request.method, *request.body);
    if (request.method == "GET")
        return m_manager->get(networkRequest);
    if (request.method == "DELETE")
        return m_manager->deleteResource(networkRequest);
    if (request.method == "HEAD")
        return m_manager->head(networkRequest);
    return m_manager->sendCustomRequest(networkRequest, request.method, QByteArray());
}

QNetworkTransport::QNetworkTransport()
    : m_manager(std::make_unique<QNetworkAccessManager>())
{}

QNetworkTransport::~QNetworkTransport() = default;

QCoro::Task<HTTPResponse> QNetworkTransport::send(HTTPRequest request)
{
    QNetworkRequest networkRequest(request.url);
    networkRequest.setTransferTimeout(int(request.timeout.count()));
    for (const auto& [name, value] : request.headers)
        networkRequest.setRawHeader(name, value);

    std::unique_ptr<QNetworkReply, DeleteLater> reply(start(networkRequest, request));
    co_await qCoro(reply.get()).waitForFinished();

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
