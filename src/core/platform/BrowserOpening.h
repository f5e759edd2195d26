#pragma once

class QUrl;

namespace vesk {

/// Hands a URL to the user's default browser without waiting for it. The
/// program opens Google's consent page through it; tests follow the page's
/// redirect themselves.
class BrowserOpening
{
public:
    virtual ~BrowserOpening() = default;
    /// Called on the GUI thread. False when no browser could be started: then
    /// nobody will ever come back to the loopback address.
    virtual bool open(const QUrl& url) = 0;
};

} // namespace vesk
