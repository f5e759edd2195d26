#include "ui/reader/web/MessagePage.h"

#include "ui/reader/web/RemoteContentPolicy.h"

#include <QColor>
#include <QWebEngineSettings>

namespace vesk {

namespace {

// Everything a mail could use to run code, reach the network on its own or
// reach the local disk is off; what is left draws a document.
void lockDown(QWebEngineSettings* settings)
{
    using S = QWebEngineSettings;
    for (const S::WebAttribute off : {S::JavascriptEnabled,
                                      S::JavascriptCanOpenWindows,
                                      S::JavascriptCanAccessClipboard,
                                      S::PluginsEnabled,
                                      S::LocalContentCanAccessRemoteUrls,
                                      S::LocalContentCanAccessFileUrls,
                                      S::LocalStorageEnabled,
                                      S::XSSAuditingEnabled,
                                      S::HyperlinkAuditingEnabled,
                                      S::DnsPrefetchEnabled,
                                      S::WebGLEnabled,
                                      S::Accelerated2dCanvasEnabled,
                                      S::AutoLoadIconsForPage,
                                      S::ErrorPageEnabled,
                                      S::FocusOnNavigationEnabled,
                                      S::PdfViewerEnabled,
                                      S::ShowScrollBars,
                                      S::ScreenCaptureEnabled,
                                      S::AllowWindowActivationFromJavaScript,
                                      S::NavigateOnDropEnabled})
        settings->setAttribute(off, false);
    // Media never plays by itself.
    settings->setAttribute(S::PlaybackRequiresUserGesture, true);
    settings->setUnknownUrlSchemePolicy(S::DisallowUnknownUrlSchemes);
}

} // namespace

MessagePage::MessagePage(QWebEngineProfile* profile, QObject* parent)
    : MessagePage(profile, Role::Message, parent)
{}

MessagePage::MessagePage(QWebEngineProfile* profile, Role role, QObject* parent)
    : QWebEnginePage(profile, parent)
    , m_role(role)
{
    lockDown(settings());
    setBackgroundColor(QColor(Qt::transparent));
}

bool MessagePage::isOpenable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https" || scheme == u"mailto");
}

bool MessagePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (m_role == Role::LinkCatcher) {
        pass(url);
        deleteLater();
        return false;
    }
    if (type == NavigationTypeLinkClicked) {
        pass(url);
        return false;
    }
    // The reader's own loads arrive as typed navigations of the main frame,
    // to the inline document or to the reader's scheme. A refresh, a form or
    // a frame is the mail acting by itself.
    const QString scheme = url.scheme();
    return isMainFrame && type == NavigationTypeTyped &&
           (scheme == u"data" || scheme == RemoteContentPolicy::documentScheme());
}

QWebEnginePage* MessagePage::createWindow(WebWindowType)
{
    // A link with a target asks for a window first and navigates it next;
    // the catcher takes that navigation and passes it on as a click.
    auto* catcher = new MessagePage(profile(), Role::LinkCatcher, this);
    connect(catcher, &MessagePage::linkActivated, this, &MessagePage::linkActivated);
    return catcher;
}

void MessagePage::pass(const QUrl& url)
{
    if (isOpenable(url))
        Q_EMIT linkActivated(url);
}

} // namespace vesk
