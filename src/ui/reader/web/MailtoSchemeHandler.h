#pragma once

#include <QWebEngineUrlSchemeHandler>

namespace vesk {

/// Makes mailto: a scheme of the message profile's own, so that a followed
/// mail address reaches the page's navigation check (which hands it to the
/// composer) instead of the system's handler. Nothing is ever loaded from
/// it: every request is refused. GUI thread only.
class MailtoSchemeHandler final : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    static QByteArray scheme() { return QByteArrayLiteral("mailto"); }
    void requestStarted(QWebEngineUrlRequestJob* job) override;
};

} // namespace vesk
