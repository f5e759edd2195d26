#include "DemoBrowser.h"

#include "net/HTTPTransport.h"

#include <QUrlQuery>

#include <cstdio>

namespace vesk {

namespace {

// Google's consent page redirects once; a few more hops allow for a
// transport that reports redirects instead of following them.
constexpr int s_maxHops = 5;

bool isRedirect(const HTTPResponse& response)
{
    return response.statusCode && *response.statusCode >= 300 && *response.statusCode < 400;
}

} // namespace

DemoBrowser::DemoBrowser(std::shared_ptr<HTTPTransport> transport)
    : m_transport(std::move(transport))
{}

bool DemoBrowser::open(const QUrl& url)
{
    if (!m_transport || !url.isValid())
        return false;
    follow(m_transport, withLoginHint(url));
    return true;
}

QUrl DemoBrowser::withLoginHint(const QUrl& url) const
{
    if (m_loginHint.isEmpty())
        return url;
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("login_hint"));
    // Encoded by hand: QUrlQuery leaves "+" of an address as is, which a
    // server reads as a space.
    query.addQueryItem(QStringLiteral("login_hint"),
                       QString::fromLatin1(QUrl::toPercentEncoding(m_loginHint)));
    QUrl hinted = url;
    hinted.setQuery(query);
    return hinted;
}

QCoro::Task<> DemoBrowser::follow(std::shared_ptr<HTTPTransport> transport, QUrl url)
{
    try {
        for (int hop = 0; hop < s_maxHops; ++hop) {
            HTTPRequest request;
            request.url = url;
            const HTTPResponse response = co_await transport->send(request);
            const auto location = response.header(QByteArrayLiteral("Location"));
            if (!isRedirect(response) || !location)
                co_return;
            url = url.resolved(QUrl::fromEncoded(*location));
        }
    } catch (const std::exception& error) {
        // The link in progress waits for the loopback address and gives up
        // in its own time; the reason goes to the terminal the demo runs in.
        std::fprintf(stderr, "vesk-demo: the consent page did not load: %s\n", error.what());
    } catch (...) {
    }
}

} // namespace vesk
