#include "ProgressDownload.h"

#include "GmailError.h"
#include "net/DescribedError.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>
#include <optional>

namespace vesk {

QCoro::Task<QByteArray> ProgressDownload::fetch(QUrl url, QString token,
                                                GmailAPIClient::ProgressCallback onBytes)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    // Limits the wait for each next piece, not the whole download.
    request.setTransferTimeout(60000);
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    const std::unique_ptr<QNetworkReply> reply(manager.get(request));

    QByteArray data;
    qint64 expected = 0;
    std::optional<GmailError> refused;
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), [&] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        expected = length.isValid() ? length.toLongLong() : -1;
        if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299) && !refused) {
            refused = GmailError::http(status.toInt(), QString());
            // Aborting from inside Qt's own head handling upsets the reply;
            // stop it once that handling is over.
            QMetaObject::invokeMethod(reply.get(), &QNetworkReply::abort, Qt::QueuedConnection);
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
        if (refused)
            return;
        data += reply->readAll();
        if (onBytes)
            onBytes(data.size(), expected >= 0 ? expected : 0);
    });

    co_await qCoro(reply.get()).waitForFinished();
    if (refused)
        throw *refused;
    if (reply->error() != QNetworkReply::NoError)
        throw NetworkError(reply->errorString());
    data += reply->readAll();
    co_return data;
}

} // namespace vesk
