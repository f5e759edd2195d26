#include "ui/reader/web/MessageRequestGuard.h"

#include <QWebEngineUrlRequestInfo>

namespace vesk {

namespace {

RemoteContentPolicy::Request kindOf(QWebEngineUrlRequestInfo::ResourceType type)
{
    switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
        return RemoteContentPolicy::Request::Document;
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
        return RemoteContentPolicy::Request::Image;
    default:
        return RemoteContentPolicy::Request::Other;
    }
}

} // namespace

MessageRequestGuard::MessageRequestGuard(QString messageId, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent)
    , m_messageId(std::move(messageId))
{}

void MessageRequestGuard::showImages()
{
    m_policy.showImages(m_messageId);
}

void MessageRequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (m_policy.mayLoad(m_messageId, info.requestUrl(), kindOf(info.resourceType())))
        return;
    ++m_blocked;
    info.block(true);
}

} // namespace vesk
