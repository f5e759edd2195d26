#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QUrl>

namespace vesk::fakegoogle::testing {

// What came back for one request.
struct Answer
{
    int status = 0;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    QJsonObject json() const;
    QByteArray header(const QByteArray& name) const;
};

// Sends one request at a time and waits for its end with QSignalSpy, so a
// test reads like a script. Redirects are not followed: the OAuth tests look
// at the 302 itself.
class TestClient final
{
public:
    explicit TestClient(QUrl base);

    void setToken(const QString& token) { m_token = token; }

    Answer get(const QString& pathAndQuery);
    Answer send(const QByteArray& method, const QString& pathAndQuery,
                const QJsonObject& body = {});
    Answer postForm(const QString& path, const QList<QPair<QString, QString>>& fields);
    Answer getUrl(const QUrl& url);

    // Gmail helpers on /gmail/v1/users/me.
    Answer gmail(const QString& pathAndQuery)
    {
        return get(QStringLiteral("/gmail/v1/users/me") + pathAndQuery);
    }
    Answer gmail(const QByteArray& method, const QString& path, const QJsonObject& body = {})
    {
        return send(method, QStringLiteral("/gmail/v1/users/me") + path, body);
    }

private:
    Answer run(QNetworkReply* reply);

    QUrl m_base;
    QString m_token;
    QNetworkAccessManager m_manager;
};

} // namespace vesk::fakegoogle::testing
