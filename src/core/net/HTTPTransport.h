#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QList>
#include <QPair>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace vesk {

using HTTPHeaders = QList<QPair<QByteArray, QByteArray>>;
/// (bytes of the body received so far, the announced total or 0).
using HTTPProgress = std::function<void(qint64 received, qint64 expected)>;

struct HTTPRequest
{
    /// Absolute, with any query already encoded into it.
    QUrl url;
    QByteArray method = QByteArrayLiteral("GET");
    HTTPHeaders headers;
    std::optional<QByteArray> body;
    /// Limits the wait for each next piece of the answer, not the whole of it.
    std::chrono::milliseconds timeout{60000};
    /// Called as the body of a successful (2xx) answer arrives, with strictly
    /// growing counts; never for other answers.
    HTTPProgress onProgress;
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
/// itself raise NetworkError with the platform's text, and so does a body
/// cut short of its announced length; any HTTP status, success or not, is an
/// answer. Adds no header of its own.
class HTTPTransport
{
public:
    virtual ~HTTPTransport() = default;
    virtual QCoro::Task<HTTPResponse> send(HTTPRequest request) = 0;
};

} // namespace vesk
