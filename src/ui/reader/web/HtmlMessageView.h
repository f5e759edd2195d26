#pragma once

#include "ui/reader/web/LastDocument.h"

#include <QUrl>
#include <QVariant>
#include <QWidget>

class QWebEngineView;

namespace vesk {

class MessagePage;
class MessageRequestGuard;
class MessageWebProfile;

/// One message's HTML body in a web view: scripts off, a transparent page,
/// remote content held back until `setContent` is asked for the images, and
/// exactly as tall as its content (at least `minimumBodyHeight`), so that the
/// reading column scrolls as one. Followed links come out as `linkActivated`.
///
/// The web view is made when the body first comes into sight (or on
/// `makeLive`): a long conversation's bodies cost the web engine nothing
/// until they are read. Until then webView() is null, and so is page() until
/// the view is on its way; the document waits. `release` lets the view go
/// again, keeping the document and the height, for a body far out of sight.
/// GUI thread only.
class HtmlMessageView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumBodyHeight = 160;

    HtmlMessageView(MessageWebProfile& web, QString messageId, QWidget* parent = nullptr);
    ~HtmlMessageView() override;

    /// Builds the message's document and loads it, unless it equals the one
    /// loaded last. Showing images also lets this page fetch them.
    void setContent(const QString& html, bool showImages);

    /// Makes the web view now and loads the document given so far.
    void makeLive();
    /// Lets the web view go; the body comes back when it is seen again.
    void release();
    bool isLive() const { return m_view != nullptr; }
    QWebEngineView* webView() const { return m_view; }
    MessagePage* page() const { return m_page; }
    /// Requests this page was refused so far.
    int blockedRequests() const;
    /// How many documents were loaded into the page.
    int loadCount() const { return m_loads; }
    /// The document last loaded.
    const std::optional<QString>& document() const { return m_last.last(); }

Q_SIGNALS:
    void linkActivated(const QUrl& url);
    /// A document finished loading (or failed to).
    void loadFinished(bool ok);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void postLiveStep();
    /// Takes the next step towards a live body, a turn of its own each.
    void liveStep();
    /// The page and its web contents, without a view yet.
    void makePage();
    /// The view, made on the page (made first if need be), and the first load.
    void makeView();
    void load(const QString& document);
    /// Asks the page how tall its content is; the answer sets the height.
    void measure();
    void applyHeight(const QVariant& measured);
    /// Takes the height last measured, once the memory it needs is ready.
    void growStep();
    void withdrawPublished();

    MessageWebProfile& m_web;
    QWebEngineView* m_view = nullptr;
    /// Ours until the view is made, then the view's, which must not
    /// outlive it.
    MessagePage* m_page = nullptr;
    MessageRequestGuard* m_guard;
    bool m_liveQueued = false;
    LastDocument m_last;
    /// The large document this view serves through the reader's scheme.
    QUrl m_published;
    int m_loads = 0;
    int m_targetHeight = minimumBodyHeight;
    bool m_growQueued = false;
};

} // namespace vesk
