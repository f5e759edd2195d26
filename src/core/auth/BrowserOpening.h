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
    /// Called on the GUI thread; the outcome is not reported.
    virtual void open(const QUrl& url) = 0;
};

} // namespace vesk
