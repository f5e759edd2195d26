#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <optional>

namespace vesk {

using HTTPHeaders = QList<QPair<QByteArray, QByteArray>>;

struct HTTPRequest
{
    /// Absolute, with any query already encoded into it.
    QUrl url;
    QByteArray method = QByteArrayLiteral("GET");
    HTTPHeaders headers;
    std::optional<QByteArray> body;
    std::chrono::milliseconds timeout{60000};
};

struct HTTPResponse
{
    /// Nothing when the answer was not an HTTP answer (a file URL, say).
    std::optional<int> statusCode;
    HTTPHeaders headers;
    QByteArray body;

    /// The first header with this name, compared without regard to case.
    std::optional<QByteArray> header(const QByteArray& name) const;
};

/// Sends one request and returns the whole answer. Failures of the network
/// itself raise NetworkError with the platform's text; any HTTP status,
/// success or not, is an answer. Adds no header of its own.
class HTTPTransport
{
public:
    virtual ~HTTPTransport() = default;
    virtual QCoro::Task<HTTPResponse> send(HTTPRequest request) = 0;
};

} // namespace vesk
