#include "TestBrowser.h"

#include <QNetworkReply>

void TestBrowser::open(const QUrl& url)
{
    m_opened.append(url);
    if (m_idle)
        return;
    // Qt follows Google's 302 to http://127.0.0.1:<port>/?code=... by default.
    QNetworkReply* reply = m_manager.get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        m_lastPage = reply->readAll();
        reply->deleteLater();
        Q_EMIT pageLoaded();
    });
}
