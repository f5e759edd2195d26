#include "ui/reader/web/RemoteContentPolicy.h"

#include <QUrl>

namespace vesk {

QString RemoteContentPolicy::documentScheme()
{
    return QStringLiteral("vesk-message");
}

void RemoteContentPolicy::showImages(const QString& messageId)
{
    m_shown.insert(messageId);
}

bool RemoteContentPolicy::imagesShown(const QString& messageId) const
{
    return m_shown.contains(messageId);
}

bool RemoteContentPolicy::mayLoad(const QString& messageId, const QUrl& url, Request request) const
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"data" || scheme == u"about")
        return true;
    if (request == Request::Document)
        return scheme == documentScheme();
    if (request != Request::Image || !imagesShown(messageId))
        return false;
    return scheme == u"http" || scheme == u"https";
}

} // namespace vesk
