#include "ui/reader/web/MessageWebProfile.h"

#include "ui/reader/web/LargeDocumentHandler.h"
#include "ui/reader/web/MailtoSchemeHandler.h"
#include "ui/reader/web/PacedQueue.h"
#include "ui/reader/web/RemoteContentPolicy.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>

#include <unistd.h>

namespace vesk {

namespace {

constexpr qsizetype s_inlineLimit = 2 * 1024 * 1024;
// "data:text/html;charset=UTF-8," and a margin for whatever else Qt adds.
constexpr qsizetype s_dataUrlOverhead = 256;

} // namespace

MessageWebProfile::MessageWebProfile(QObject* parent)
    : QObject(parent)
    , m_pacer(new PacedQueue(this))
{}

MessageWebProfile::~MessageWebProfile()
{
    if (m_profile)
        m_profile->removeAllUrlSchemeHandlers();
}

QWebEngineProfile* MessageWebProfile::profile()
{
    if (m_profile)
        return m_profile;
    prepareEngine();
    // No storage name: off the record.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    m_documents = new LargeDocumentHandler(this);
    m_profile->installUrlSchemeHandler(RemoteContentPolicy::documentScheme().toLatin1(),
                                       m_documents);
    m_profile->installUrlSchemeHandler(MailtoSchemeHandler::scheme(),
                                       new MailtoSchemeHandler(this));
    return m_profile;
}

LargeDocumentHandler& MessageWebProfile::documents()
{
    profile();
    return *m_documents;
}

bool MessageWebProfile::fitsInline(const QByteArray& document)
{
    // Percent-encoding keeps a byte or makes it three; counting the bytes
    // that grow is cheaper than encoding.
    qsizetype encoded = 0;
    for (const char byte : document) {
        const auto c = static_cast<unsigned char>(byte);
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        encoded += kept ? 1 : 3;
        if (encoded + s_dataUrlOverhead > s_inlineLimit)
            return false;
    }
    return true;
}

void MessageWebProfile::startEngine()
{
    prepareEngine();
    // The engine stays up once the first profile has started it. A first
    // page readies what every page of the process needs on its first load,
    // which would otherwise fall on the first message opened.
    QWebEngineProfile starter;
    QWebEnginePage page(&starter);
    QWebEngineView view;
    view.setPage(&page);
    page.setHtml(QString());
}

void MessageWebProfile::prepareEngine()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    QWebEngineUrlScheme scheme(RemoteContentPolicy::documentScheme().toLatin1());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(scheme);
    // Chromium gives mail addresses to the system's handler without asking
    // the page; a scheme of the profile's own goes through the page's
    // navigation check, which hands the address to the composer.
    QWebEngineUrlScheme mailto(MailtoSchemeHandler::scheme());
    mailto.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    QWebEngineUrlScheme::registerScheme(mailto);
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // By default each page gets a renderer process of its own, some 8 MB
    // apiece and all starting at once. Mail pages run no scripts and share
    // nothing worth isolating from each other: one renderer serves them all.
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--renderer-process-limit"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                QByteArray(flags + " --renderer-process-limit=1").trimmed());
}

} // namespace vesk
