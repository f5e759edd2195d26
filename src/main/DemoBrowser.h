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
class DemoBrowser final : public BrowserOpening
{
public:
    explicit DemoBrowser(std::shared_ptr<HTTPTransport> transport);
    bool open(const QUrl& url) override;

private:
    static QCoro::Task<> follow(std::shared_ptr<HTTPTransport> transport, QUrl url);

    std::shared_ptr<HTTPTransport> m_transport;
};

} // namespace vesk
