#include "TestClient.h"

#include "QueryItems.h"

#include <QJsonDocument>
#include <QNetworkRequest>
#include <QSignalSpy>

namespace vesk::fakegoogle::testing {

QJsonObject Answer::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QByteArray Answer::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

TestClient::TestClient(QUrl base)
    : m_base(std::move(base))
{}

Answer TestClient::run(QNetworkReply* reply)
{
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(30000);
    Answer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.body = reply->readAll();
    answer.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    return answer;
}

Answer TestClient::getUrl(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token.toLatin1());
    return run(m_manager.get(request));
}

Answer TestClient::get(const QString& pathAndQuery)
{
    return getUrl(QUrl(m_base.toString() + pathAndQuery));
}

Answer TestClient::send(const QByteArray& method, const QString& pathAndQuery,
                        const QJsonObject& body)
{
    QNetworkRequest request(QUrl(m_base.toString() + pathAndQuery));
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token.toLatin1());
    QByteArray payload;
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        payload = QJsonDocument(body).toJson(QJsonDocument::Compact);
    }
    return run(m_manager.sendCustomRequest(request, method, payload));
}

Answer TestClient::postForm(const QString& path, const QList<QPair<QString, QString>>& fields)
{
    QNetworkRequest request(QUrl(m_base.toString() + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray("application/x-www-form-urlencoded"));
    return run(m_manager.post(request, QueryItems::encode(fields)));
}

} // namespace vesk::fakegoogle::testing
