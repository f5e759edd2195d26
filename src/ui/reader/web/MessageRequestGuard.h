#pragma once

#include "ui/reader/web/RemoteContentPolicy.h"

#include <QString>
#include <QWebEngineUrlRequestInterceptor>

namespace vesk {

/// Stands between one message's page and the network: every request the page
/// makes is put to the remote-content policy, and what it refuses never
/// leaves. Installed on the page, so that showing one message's images opens
/// nothing for the other cards. Qt calls it on the GUI thread.
class MessageRequestGuard final : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    MessageRequestGuard(QString messageId, QObject* parent = nullptr);

    void showImages();
    /// How many requests were stopped so far.
    int blockedCount() const { return m_blocked; }

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    const QString m_messageId;
    RemoteContentPolicy m_policy;
    int m_blocked = 0;
};

} // namespace vesk
