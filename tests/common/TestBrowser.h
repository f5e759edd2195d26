#pragma once

#include "platform/BrowserOpening.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

/// Stands in for the user's browser: loads the consent page and follows its
/// redirect to the loopback receiver, as a browser would after the user agreed.
class TestBrowser final
    : public QObject
    , public vesk::BrowserOpening
{
    Q_OBJECT

public:
    bool open(const QUrl& url) override;
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
