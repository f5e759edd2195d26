#pragma once

#include <QByteArray>
#include <QHash>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace vesk {

/// Serves message documents too large for a page's `setHtml` (which goes
/// through a data: URL of at most 2 MB) under the reader's own scheme. Each
/// document has an unguessable address and is served for as long as its
/// view keeps it published. GUI thread only.
class LargeDocumentHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    /// The address under which `document` (UTF-8 HTML) is served from now on.
    QUrl publish(QByteArray document);
    void withdraw(const QUrl& url);
    qsizetype publishedCount() const { return m_documents.size(); }

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QHash<QString, QByteArray> m_documents;
};

} // namespace vesk
