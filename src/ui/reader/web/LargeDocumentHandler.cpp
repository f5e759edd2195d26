#include "ui/reader/web/LargeDocumentHandler.h"

#include "ui/reader/web/RemoteContentPolicy.h"

#include <QBuffer>
#include <QUuid>
#include <QWebEngineUrlRequestJob>

namespace vesk {

QUrl LargeDocumentHandler::publish(QByteArray document)
{
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_documents.emplace(name, std::move(document));
    QUrl url;
    url.setScheme(RemoteContentPolicy::documentScheme());
    url.setPath(name);
    return url;
}

void LargeDocumentHandler::withdraw(const QUrl& url)
{
    m_documents.remove(url.path());
}

void LargeDocumentHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const auto found = m_documents.constFind(job->requestUrl().path());
    if (found == m_documents.constEnd() || job->requestMethod() != "GET") {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job owns the buffer; the bytes are shared with the stored copy.
    auto* buffer = new QBuffer(job);
    buffer->setData(*found);
    buffer->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
}

} // namespace vesk
