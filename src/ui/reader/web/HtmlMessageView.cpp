#include "ui/reader/web/HtmlMessageView.h"

#include "platform/HeapPolicy.h"
#include "ui/reader/web/HtmlDocument.h"
#include "ui/reader/web/LargeDocumentHandler.h"
#include "ui/reader/web/MessagePage.h"
#include "ui/reader/web/MessageRequestGuard.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/reader/web/PacedQueue.h"
#include "ui/style/Brand.h"

#include <QAction>
#include <QPointer>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>
#include <utility>

namespace vesk {

namespace {

// The page's own size never drops below its viewport, and the body of a
// document without a doctype stretches to the viewport too; the extent of the
// body's content does neither. Runs in the application's own script world,
// which the page's "no scripts" setting leaves to us: the mail's scripts stay
// off.
const char* const s_measureScript = R"js(
(function () {
  if (!document.body) return 0;
  var range = document.createRange();
  range.selectNodeContents(document.body);
  var style = getComputedStyle(document.body);
  return Math.ceil(range.getBoundingClientRect().bottom + window.scrollY +
                   (parseFloat(style.paddingBottom) || 0) + (parseFloat(style.marginBottom) || 0));
})()
)js";

} // namespace

HtmlMessageView::HtmlMessageView(MessageWebProfile& web, QString messageId, QWidget* parent)
    : QWidget(parent)
    , m_web(web)
    , m_guard(new MessageRequestGuard(std::move(messageId), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedHeight(minimumBodyHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HtmlMessageView::makeLive()
{
    makeView();
}

void HtmlMessageView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    // A body scrolled out of sight gets no paint: this is the first moment
    // it is seen. Not from within painting, which must not add widgets, and
    // one body at a time: several coming into sight together would add up
    // to one long stall.
    if (!m_view && !m_liveQueued) {
        m_liveQueued = true;
        postLiveStep();
    }
}

void HtmlMessageView::postLiveStep()
{
    m_web.pacer().post(this, [this] { liveStep(); });
}

void HtmlMessageView::liveStep()
{
    // Released meanwhile, or made live at once by a caller.
    if (m_view || !m_liveQueued)
        return;
    // A turn for each costly part: the first body's profile, the page's web
    // contents, then the view with the first load. Together they took the
    // window for 10 to 25 ms when a conversation opened.
    if (!m_web.hasProfile()) {
        m_web.profile();
        postLiveStep();
        return;
    }
    if (!m_page) {
        makePage();
        postLiveStep();
        return;
    }
    makeView();
}

void HtmlMessageView::makePage()
{
    if (m_page)
        return;
    m_page = new MessagePage(m_web.profile(), this);
    m_page->setUrlRequestInterceptor(m_guard);
    // The page's text is sized in CSS pixels: without this it would stay
    // small when the desktop's text is scaled up. Mail is never shown
    // smaller than designed, whatever font the application was left with.
    m_page->setZoomFactor(std::max(1.0, Brand::textZoom()));
    // Anything asked of a page makes its web contents at once, which would
    // otherwise wait for the first load; an empty script asks nothing of
    // the document. Made without a view, the contents get theirs when it
    // comes.
    m_page->runJavaScript(QString(), QWebEngineScript::ApplicationWorld);
}

void HtmlMessageView::makeView()
{
    if (m_view)
        return;
    makePage();
    m_view = new QWebEngineView(this);
    // From here on the view owns the page, and the two go together.
    m_page->setParent(m_view);
    m_view->setPage(m_page);
    // Only what helps with reading: no back, reload, save or inspect.
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_view->addAction(m_page->action(QWebEnginePage::Copy));
    m_view->addAction(m_page->action(QWebEnginePage::CopyLinkToClipboard));
    m_view->addAction(m_page->action(QWebEnginePage::SelectAll));
    m_view->setAttribute(Qt::WA_TranslucentBackground);
    m_view->setStyleSheet(QStringLiteral("background: transparent;"));
    layout()->addWidget(m_view);
    m_view->show();
    // Keyboard focus given to the body before it had a view goes on to it.
    setFocusProxy(m_view);

    connect(m_page, &MessagePage::linkActivated, this, &HtmlMessageView::linkActivated);
    // Content grows as images arrive and shrinks or grows with the width.
    connect(m_page, &QWebEnginePage::contentsSizeChanged, this, &HtmlMessageView::measure);
    connect(m_page, &QWebEnginePage::loadFinished, this, &HtmlMessageView::measure);
    connect(m_page, &QWebEnginePage::loadFinished, this, &HtmlMessageView::loadFinished);
    if (m_last.last())
        load(*m_last.last());
}

HtmlMessageView::~HtmlMessageView()
{
    // The page answers its pending measurements as it goes; it must go while
    // this is still whole, not later among the base class's children.
    release();
}

void HtmlMessageView::release()
{
    withdrawPublished();
    m_liveQueued = false;
    if (!m_page)
        return;
    // The guard may go before the page that consults it.
    m_page->setUrlRequestInterceptor(nullptr);
    setFocusProxy(nullptr);
    // Once there is a view, the page is its child and goes with it.
    if (m_view)
        delete std::exchange(m_view, nullptr);
    else
        delete m_page;
    m_page = nullptr;
}

void HtmlMessageView::setContent(const QString& html, bool showImages)
{
    if (showImages)
        m_guard->showImages();
    const QString document = HtmlDocument::build(html, showImages);
    if (m_last.replace(document) && m_view)
        load(document);
}

int HtmlMessageView::blockedRequests() const
{
    return m_guard->blockedCount();
}

void HtmlMessageView::load(const QString& document)
{
    ++m_loads;
    withdrawPublished();
    // The height stays until the new document is measured, so that showing
    // a message's images does not make the column jump.
    QByteArray bytes = document.toUtf8();
    if (MessageWebProfile::fitsInline(bytes)) {
        m_page->setHtml(document);
        return;
    }
    m_published = m_web.documents().publish(std::move(bytes));
    m_page->load(m_published);
}

void HtmlMessageView::measure()
{
    // A page without its view yet holds no document to measure.
    if (!m_view || !m_last.last())
        return;
    QPointer<HtmlMessageView> self(this);
    m_page->runJavaScript(QString::fromUtf8(s_measureScript), QWebEngineScript::ApplicationWorld,
                          [self](const QVariant& measured) {
                              if (self)
                                  self->applyHeight(measured);
                          });
}

void HtmlMessageView::applyHeight(const QVariant& measured)
{
    bool isNumber = false;
    const double cssPixels = measured.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(cssPixels))
        return;
    const double pixels = std::clamp(cssPixels * m_page->zoomFactor(), 0.0, 1.0e6);
    m_targetHeight = std::max(minimumBodyHeight, static_cast<int>(std::ceil(pixels)));
    // The web view renders its whole new height at once as it is resized,
    // and the column repaints after: a turn of its own for each, and one body
    // at a time, so that bodies measured together do not add up to a stall.
    if (!m_growQueued) {
        m_growQueued = true;
        m_web.pacer().post(this, [this] { growStep(); });
    }
}

void HtmlMessageView::growStep()
{
    // Grown, the view takes a new image of its whole size, and a copy of
    // the page's frame to draw it from: their memory is faulted in first,
    // a step per turn, so that the resize itself finds it ready.
    constexpr std::size_t step = 2 * 1024 * 1024;
    const qreal ratio = devicePixelRatioF();
    const auto imageBytes = static_cast<std::size_t>(std::ceil(width() * ratio) *
                                                     std::ceil(m_targetHeight * ratio) * 4);
    if (m_targetHeight > height() && faultInHeapTop(2 * imageBytes, step) > 0) {
        m_web.pacer().post(this, [this] { growStep(); });
        return;
    }
    m_growQueued = false;
    setFixedHeight(m_targetHeight);
}

void HtmlMessageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != event->size().width())
        measure();
}

void HtmlMessageView::withdrawPublished()
{
    if (m_published.isEmpty())
        return;
    m_web.documents().withdraw(m_published);
    m_published.clear();
}

} // namespace vesk
