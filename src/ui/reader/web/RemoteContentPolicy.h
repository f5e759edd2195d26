#pragma once

#include <QSet>
#include <QString>

class QUrl;

namespace vesk {

/// Decides which requests a message's page may make. A mail may reach the
/// network through many doors (CSS backgrounds, srcset, stylesheets, frames,
/// upper-case attributes), any of which tells the sender that and where the
/// mail was read. So nothing leaves until the reader asks for that one
/// message's images, and even then only images do. Inline `data:` content and
/// the local `about:` pages always load; so does the page's own document when
/// it comes through the reader's internal scheme.
///
/// A value type; the web view's request interceptor asks it on the GUI
/// thread's copy or on one it was handed.
class RemoteContentPolicy final
{
public:
    /// What a request fetches, as far as this policy cares.
    enum class Request
    {
        Document, ///< the page itself (main frame)
        Image,    ///< an image, including CSS background images
        Other,    ///< stylesheets, frames, fonts, media, prefetches, ...
    };

    /// The scheme through which large documents reach their page.
    static QString documentScheme();

    /// Lets `messageId`'s images load from now on; other messages stay blocked.
    void showImages(const QString& messageId);
    bool imagesShown(const QString& messageId) const;

    bool mayLoad(const QString& messageId, const QUrl& url, Request request) const;

private:
    QSet<QString> m_shown;
};

} // namespace vesk
