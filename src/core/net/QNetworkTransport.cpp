#include "QNetworkTransport.h"

#include "DescribedError.h"

#include <QCoreApplication>
#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace vesk {

namespace {

struct DeleteLater
{
    void operator()(QObject* object) const { object->deleteLater(); }
};

/// Collects the body as it arrives and passes on the progress of a
/// successful answer only: a refusal's error body is no download. (Qt's own
/// downloadProgress is throttled to a few a second, too coarse for a bar.)
void collectWithProgress(QNetworkReply* reply, std::shared_ptr<QByteArray> body,
                         HTTPProgress onProgress)
{
    auto successful = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, successful] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        *successful = status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
    });
    QObject::connect(
        reply, &QNetworkReply::readyRead, reply, [reply, body, successful, onProgress] {
            const QByteArray piece = reply->readAll();
            if (piece.isEmpty())
                return;
            body->append(piece);
            if (!*successful)
                return;
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            onProgress(body->size(), length.isValid() ? length.toLongLong() : 0);
        });
}

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
    auto early = std::make_shared<QByteArray>();
    if (request.onProgress)
        collectWithProgress(reply.get(), early, request.onProgress);
    co_await qCoro(reply.get()).waitForFinished();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() && reply->error() != QNetworkReply::NoError)
        throw NetworkError(reply->errorString());

    HTTPResponse response;
    if (status.isValid())
        response.statusCode = status.toInt();
    response.headers = reply->rawHeaderPairs();
    response.body = *early + reply->readAll();
    // A connection closed early can end without an error from Qt; a body
    // shorter than its announced length is a failed request, not an answer.
    // (A compressed answer announces the compressed length, so it is left out.)
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const bool compressed = !reply->rawHeader("Content-Encoding").isEmpty();
    if (!compressed && length.isValid() && response.body.size() < length.toLongLong())
        throw NetworkError(QCoreApplication::translate("vesk::QNetworkTransport",
                                                       "A ligação terminou antes do fim da "
                                                       "resposta (%1 de %2 bytes)")
                               .arg(response.body.size())
                               .arg(length.toLongLong()));
    co_return response;
}

} // namespace vesk
