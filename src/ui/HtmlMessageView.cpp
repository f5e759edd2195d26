#include "HtmlMessageView.h"

#include "HtmlDocument.h"
#include "LargeDocumentHandler.h"
#include "MessagePage.h"
#include "MessageRequestGuard.h"
#include "MessageWebProfile.h"

#include <QAction>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <cmath>

namespace vesk {

HtmlMessageView::HtmlMessageView(MessageWebProfile& web, QString messageId, QWidget* parent)
    : QWidget(parent)
    , m_web(web)
    , m_view(new QWebEngineView(this))
    , m_page(new MessagePage(web.profile(), m_view))
    , m_guard(new MessageRequestGuard(std::move(messageId), this))
{
    m_page->setUrlRequestInterceptor(m_guard);
    m_view->setPage(m_page);
    // Only what helps with reading: no back, reload, save or inspect.
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_view->addAction(m_page->action(QWebEnginePage::Copy));
    m_view->addAction(m_page->action(QWebEnginePage::CopyLinkToClipboard));
    m_view->addAction(m_page->action(QWebEnginePage::SelectAll));
    m_view->setAttribute(Qt::WA_TranslucentBackground);
    m_view->setStyleSheet(QStringLiteral("background: transparent;"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFixedHeight(minimumBodyHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    connect(m_page, &MessagePage::linkActivated, this, &HtmlMessageView::linkActivated);
    connect(m_page, &QWebEnginePage::contentsSizeChanged, this,
            &HtmlMessageView::followContentHeight);
    connect(m_page, &QWebEnginePage::loadFinished, this, &HtmlMessageView::loadFinished);
}

HtmlMessageView::~HtmlMessageView()
{
    withdrawPublished();
    // The guard may go before the page that consults it.
    m_page->setUrlRequestInterceptor(nullptr);
}

void HtmlMessageView::setContent(const QString& html, bool showImages)
{
    if (showImages)
        m_guard->showImages();
    const QString document = HtmlDocument::build(html, showImages);
    if (m_last.replace(document))
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
    // A new document starts from the smallest card; the page then reports
    // how tall it really is.
    setFixedHeight(minimumBodyHeight);
    QByteArray bytes = document.toUtf8();
    if (MessageWebProfile::fitsInline(bytes)) {
        m_page->setHtml(document);
        return;
    }
    m_published = m_web.documents().publish(std::move(bytes));
    m_page->load(m_published);
}

void HtmlMessageView::followContentHeight(const QSizeF& contentSize)
{
    const int height = static_cast<int>(std::ceil(contentSize.height() * m_page->zoomFactor()));
    setFixedHeight(std::max(minimumBodyHeight, height));
}

void HtmlMessageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The page never reports less than its viewport is tall; after a change
    // of width the text may need fewer lines, so measure again from the
    // smallest height.
    if (event->oldSize().width() != event->size().width() && m_last.last())
        setFixedHeight(minimumBodyHeight);
}

void HtmlMessageView::withdrawPublished()
{
    if (m_published.isEmpty())
        return;
    m_web.documents().withdraw(m_published);
    m_published.clear();
}

} // namespace vesk
