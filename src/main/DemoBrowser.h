#pragma once

#include "platform/BrowserOpening.h"

#include <QCoroTask>
#include <QUrl>

#include <memory>

namespace vesk {

class HTTPTransport;

/// The demo's browser: the user of the stand-in's consent page always
/// agrees, so instead of showing it, the page is loaded over the program's
/// own transport and its redirect followed to the loopback address, where the
/// link in progress receives the code. Never opens the user's real browser.
/// GUI thread.
class DemoBrowser final : public BrowserOpening
{
public:
    explicit DemoBrowser(std::shared_ptr<HTTPTransport> transport);
    bool open(const QUrl& url) override;

    /// The account that signs in at the next consent pages, named to the
    /// server as Google's `login_hint`; empty leaves the choice to the server.
    void setLoginHint(const QString& email) { m_loginHint = email; }

private:
    static QCoro::Task<> follow(std::shared_ptr<HTTPTransport> transport, QUrl url);
    QUrl withLoginHint(const QUrl& url) const;

    std::shared_ptr<HTTPTransport> m_transport;
    QString m_loginHint;
};

} // namespace vesk
