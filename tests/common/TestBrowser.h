#pragma once

#include "platform/BrowserOpening.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QUrl>
#include <QUrlQuery>

/// Stands in for the user's browser: loads the consent page and follows its
/// redirect to the loopback receiver, as a browser would after the user agreed.
class TestBrowser final
    : public QObject
    , public vesk::BrowserOpening
{
    Q_OBJECT

public:
    bool open(const QUrl& url) override
    {
        if (m_unavailable)
            return false;
        m_opened.append(url);
        if (m_idle)
            return true;
        QUrl consent = url;
        if (!m_declinedScope.isEmpty()) {
            QUrlQuery query(url);
            const QString scope = QStringLiteral("scope");
            QStringList scopes = query.queryItemValue(scope, QUrl::FullyDecoded).split(u' ');
            scopes.removeAll(m_declinedScope);
            query.removeAllQueryItems(scope);
            query.addQueryItem(scope, scopes.join(u' '));
            consent.setQuery(query);
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

    /// A user who never signs in: the URL is noted and nothing is loaded.
    void setIdle(bool idle) { m_idle = idle; }
    /// A machine without a browser: nothing is opened, and open says so.
    void setUnavailable(bool unavailable) { m_unavailable = unavailable; }
    /// A user who unticks this permission on the consent page: Google grants
    /// only the others.
    void setDeclinedScope(const QString& scope) { m_declinedScope = scope; }

    /// The URLs that were opened.
    const QList<QUrl>& opened() const { return m_opened; }
    /// The page at the end of the redirects: the receiver's answer.
    const QByteArray& lastPage() const { return m_lastPage; }

Q_SIGNALS:
    void pageLoaded();

private:
    QNetworkAccessManager m_manager;
    QList<QUrl> m_opened;
    QByteArray m_lastPage;
    QString m_declinedScope;
    bool m_idle = false;
    bool m_unavailable = false;
};
