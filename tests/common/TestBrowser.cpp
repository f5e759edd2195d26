#include "TestBrowser.h"

#include <QNetworkReply>

using namespace Qt::StringLiterals;

bool TestBrowser::open(const QUrl& url)
{
    if (m_unavailable)
        return false;
    m_opened.append(url);
    if (m_idle)
        return true;
    QUrl consent = url;
    if (!m_declinedScope.isEmpty()) {
        QStringList items = url.query(QUrl::FullyEncoded).split(u'&');
        for (QString& item : items) {
            if (!item.startsWith(QLatin1String("scope=")))
                continue;
            QStringList scopes = QUrl::fromPercentEncoding(item.mid(6).toLatin1()).split(u' ');
            scopes.removeAll(m_declinedScope);
            item = u"scope="_s + QString::fromLatin1(QUrl::toPercentEncoding(scopes.join(u' ')));
        }
        consent.setQuery(items.join(u'&'), QUrl::StrictMode);
    }
    // Qt follows Google's 302 to http://127.0.0.1:<port>/?code=... by default.
    QNetworkReply* reply = m_manager.get(QNetworkRequest(consent));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        m_lastPage = reply->readAll();
        reply->deleteLater();
        Q_EMIT pageLoaded();
    });
    return true;
}
