#pragma once

#include <QUrl>
#include <QWebEnginePage>

namespace vesk {

/// The page of one HTML message. It shows only the document the reader
/// loads into it: a followed link is handed out as `linkActivated` (web
/// pages for the system browser, mail addresses for this program's composer)
/// instead of navigating, and forms, refreshes, frames and new windows go
/// nowhere. GUI thread only.
class MessagePage final : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit MessagePage(QWebEngineProfile* profile, QObject* parent = nullptr);

    /// Whether a link to `url` may leave the card: web pages (for the
    /// system browser) and mail addresses (for the composer) only, never
    /// local files or other programs' schemes.
    static bool isOpenable(const QUrl& url);

Q_SIGNALS:
    void linkActivated(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    /// A page opened for a link with a target; it only passes the link on.
    enum class Role
    {
        Message,
        LinkCatcher,
    };
    MessagePage(QWebEngineProfile* profile, Role role, QObject* parent);
    void pass(const QUrl& url);

    const Role m_role;
};

} // namespace vesk
