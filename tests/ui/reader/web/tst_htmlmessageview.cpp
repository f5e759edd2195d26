// The HTML reader: the document a message becomes and what its page may
// load, then a real web engine against a local server that counts what pages
// fetch: remote content waits for the reader, links leave for the browser,
// and malicious mail (the files under hostile/, and pages made here for their
// size) reaches nothing, runs nothing and never stalls the window.

#include "TestFiles.h"
#include "ui/reader/MessageCard.h"
#include "ui/reader/web/HtmlDocument.h"
#include "ui/reader/web/HtmlMessageView.h"
#include "ui/reader/web/LargeDocumentHandler.h"
#include "ui/reader/web/MessagePage.h"
#include "ui/reader/web/MessageWebProfile.h"
#include "ui/reader/web/RemoteContentPolicy.h"
#include "ui/widgets/PillButton.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <memory>

Q_DECLARE_METATYPE(vesk::RemoteContentPolicy::Request)

using namespace Qt::StringLiterals;

using namespace vesk;

namespace {

/// A web server on 127.0.0.1 that answers everything with an empty page and
/// remembers every connection and the path of every request, so that a test
/// can tell what left a page: the first request of any kind is what counts.
class CountingServer final : public QTcpServer
{
    Q_OBJECT

public:
    CountingServer()
    {
        connect(this, &QTcpServer::newConnection, this, &CountingServer::accept);
        listen(QHostAddress::LocalHost);
    }

    QString base() const { return u"http://127.0.0.1:%1"_s.arg(serverPort()); }
    int connections() const { return m_connections; }
    const QStringList& paths() const { return m_paths; }

Q_SIGNALS:
    void requested(const QString& path);

private:
    void accept()
    {
        while (QTcpSocket* socket = nextPendingConnection()) {
            ++m_connections;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void answer(QTcpSocket* socket)
    {
        if (!socket->canReadLine())
            return;
        const QList<QByteArray> requestLine = socket->readLine().trimmed().split(' ');
        socket->readAll();
        const QString path = QString::fromLatin1(requestLine.value(1));
        m_paths.append(path);
        Q_EMIT requested(path);
        socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
    }

    int m_connections = 0;
    QStringList m_paths;
};

// Every door a mail can use to reach the network, each with its own path.
QString hostileMail(const QString& base)
{
    return QStringLiteral(
               "<p>Caro leitor</p>"
               "<img src=\"%1/img-quoted.png\"><img src='%1/img-single.png'>"
               "<IMG SRC=\"%1/img-upper.png\">"
               "<img srcset=\"%1/img-srcset.png 1x\">"
               "<div style=\"background:url(%1/img-background.png);width:40px;height:40px\"></div>"
               "<img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\">"
               "<link rel=\"stylesheet\" href=\"%1/sheet-link.css\">"
               "<link rel=\"preconnect\" href=\"%1\"><link rel=\"prefetch\" href=\"%1/next\">"
               "<video poster=\"%1/poster.png\" src=\"%1/film.mp4\"></video>"
               "<style>@import url(\"%1/sheet-import.css\");"
               "@font-face{font-family:x;src:url(%1/font.woff)} p{font-family:x}</style>"
               "<iframe src=\"%1/frame.html\"></iframe>"
               "<meta http-equiv=\"refresh\" content=\"0;url=%1/refresh.html\">"
               "<script>new Image().src='%1/script.png'</script>"
               "<form action=\"%1/submit\"></form>")
        .arg(base);
}

QStringList imagePaths()
{
    return {u"/img-quoted.png"_s, u"/img-single.png"_s,     u"/img-upper.png"_s,
            u"/img-srcset.png"_s, u"/img-background.png"_s, u"/poster.png"_s};
}

// A page too large for a file here, with "%1" where the server goes: megabytes
// over the inline limit, with remote content in every row.
QString hugeTable()
{
    QString html = u"<table>"_s;
    for (int row = 0; row < 20000; ++row)
        html += u"<tr><td>"_s + QString::number(row) +
                u"</td><td style=\"background:url(%1/cell.png)\">x</td>"
                "<td><img src=\"%1/row.png\"></td></tr>"_s;
    return html + u"</table>"_s;
}

bool loaded(HtmlMessageView& view)
{
    QSignalSpy finished(&view, &HtmlMessageView::loadFinished);
    return finished.wait(30000) && finished.constLast().at(0).toBool();
}

// Lets whatever the page would still fetch or do happen, so that "nothing
// happened" means something.
void settle()
{
    QTest::qWait(1500);
}

void click(HtmlMessageView& view, QPoint at)
{
    QWidget* target = view.webView()->focusProxy();
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
}

} // namespace

class TestHtmlMessageView : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageWebProfile> m_web;

    /// A view on screen, given `html` unless it is null.
    std::unique_ptr<HtmlMessageView> view(const QString& html = {}, bool images = false,
                                          const QString& id = u"m1"_s)
    {
        auto result = std::make_unique<HtmlMessageView>(*m_web, id);
        result->resize(600, HtmlMessageView::minimumBodyHeight);
        result->show();
        if (!html.isNull())
            result->setContent(html, images);
        return result;
    }

private Q_SLOTS:
    void init() { m_web = std::make_unique<MessageWebProfile>(); }
    void cleanup() { m_web.reset(); }

    void rewrite_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("blocked");

        // Both quotes and both schemes, every occurrence.
        QTest::newRow("remote")
            << u"<img src=\"http://a\"><img src='https://b'><img src=\"http://c\">"_s
            << u"<img data-blocked=\"1\" src=\"about:blank#http://a\">"
               "<img data-blocked='1' src='about:blank#https://b'>"
               "<img data-blocked=\"1\" src=\"about:blank#http://c\">"_s;
        // Left as written: sources that reach nothing remote.
        QTest::newRow("data and cid sources")
            << u"<img src=\"data:image/png;base64,AA\"><img src=\"cid:a@b\">"_s
            << u"<img src=\"data:image/png;base64,AA\"><img src=\"cid:a@b\">"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void rewrite()
    {
        QFETCH(QString, html);
        QFETCH(QString, blocked);
        QCOMPARE(HtmlDocument::blockRemoteImages(html), blocked);
        QVERIFY(HtmlDocument::build(html, false).contains(blocked));
        // Showing images skips the rewrite entirely.
        QVERIFY(HtmlDocument::build(html, true).contains(html));
    }

    void remoteContent_data()
    {
        using Request = RemoteContentPolicy::Request;
        QTest::addColumn<QString>("url");
        QTest::addColumn<Request>("request");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<bool>("shown");

        const auto row = [](const char* name, const char* url, Request request, bool blocked,
                            bool shown) {
            QTest::newRow(name) << QString::fromLatin1(url) << request << blocked << shown;
        };
        row("inline image", "data:image/png;base64,AAAA", Request::Image, true, true);
        row("inline document", "data:text/html;charset=utf-8,<p>x", Request::Document, true, true);
        row("inline stylesheet", "data:text/css,p{}", Request::Other, true, true);
        row("defused image", "about:blank#https://t.example/p.gif", Request::Image, true, true);
        row("remote image", "https://t.example/p.gif", Request::Image, false, true);
        row("remote image, capitals", "HTTP://t.example/p.gif", Request::Image, false, true);
        row("remote stylesheet or frame", "http://t.example/s.css", Request::Other, false, false);
        row("navigation away", "https://t.example/", Request::Document, false, false);
        row("large document", "vesk-message://m1", Request::Document, true, true);
        row("internal scheme as image", "vesk-message://m1/x", Request::Image, false, false);
        row("local file image", "file:///etc/passwd", Request::Image, false, false);
        row("ftp image", "ftp://t.example/p.gif", Request::Image, false, false);
    }

    void remoteContent()
    {
        QFETCH(QString, url);
        QFETCH(RemoteContentPolicy::Request, request);
        QFETCH(bool, blocked);
        const QString message = u"m1"_s;
        const QString other = u"m2"_s;

        RemoteContentPolicy policy;
        QCOMPARE(policy.mayLoad(message, QUrl(url), request), blocked);
        policy.showImages(message);
        QVERIFY(policy.imagesShown(message));
        QTEST(policy.mayLoad(message, QUrl(url), request), "shown");
        // Another message of the same thread stays as it was.
        QVERIFY(!policy.imagesShown(other));
        QCOMPARE(policy.mayLoad(other, QUrl(url), request), blocked);
    }

    void remoteContentWaitsForTheReader()
    {
        CountingServer server;
        QVERIFY(server.isListening());
        const QString html = hostileMail(server.base());
        auto blocked = view(html);
        QVERIFY(loaded(*blocked));
        settle();
        QCOMPARE(server.paths(), QStringList());
        QCOMPARE(server.connections(), 0);
        // Not a quiet page but a guarded one: the doors were tried.
        QVERIFY(blocked->blockedRequests() >= 4);
        QVERIFY(blocked->document()->contains(
            u"data-blocked=\"1\" src=\"about:blank#http://127.0.0.1"_s));

        // The same document again loads nothing.
        blocked->setContent(html, false);
        QCOMPARE(blocked->loadCount(), 1);

        // Asked for, the images come, and only they: styles, fonts, frames,
        // scripts, refreshes and forms still go nowhere.
        blocked->setContent(html, true);
        QCOMPARE(blocked->loadCount(), 2);
        QVERIFY(!blocked->document()->contains(u"data-blocked"_s));
        for (const QString& path : imagePaths())
            QTRY_VERIFY2_WITH_TIMEOUT(server.paths().contains(path), qPrintable(path), 30000);
        settle();
        for (const QString& path : server.paths())
            QVERIFY2(imagePaths().contains(path), qPrintable(path));

        // Another message's page on the same profile is still guarded.
        const int before = server.paths().size();
        auto other = view(html, false, u"m2"_s);
        QVERIFY(loaded(*other));
        settle();
        QCOMPARE(server.paths().size(), before);
        QVERIFY(other->blockedRequests() >= 4);
    }

    void linksLeaveForTheBrowserAndFormsStay()
    {
        CountingServer server;
        const QString html =
            QStringLiteral(
                "<a href=\"https://exemplo.pt/artigo\" style=\"display:block;height:60px\">a</a>"
                "<a href=\"https://exemplo.pt/novo\" target=\"_blank\""
                " style=\"display:block;height:60px\">b</a>"
                "<a href=\"file:///etc/passwd\" style=\"display:block;height:60px\">c</a>"
                "<a href=\"mailto:ana@x.pt?subject=Ol%C3%A1\" style=\"display:block;"
                "height:60px\">d</a>"
                "<form action=\"%1/submit\" method=\"get\"><input type=\"submit\" value=\"go\""
                " style=\"display:block;width:300px;height:60px\"></form>")
                .arg(server.base());
        auto card = view(html, true);
        QVERIFY(loaded(*card));
        // Every link and the form in sight, where the clicks land.
        QTRY_VERIFY_WITH_TIMEOUT(card->height() >= 300, 30000);
        const QUrl page = card->page()->url();
        QSignalSpy links(card.get(), &HtmlMessageView::linkActivated);

        click(*card, {30, 30});
        QTRY_COMPARE_WITH_TIMEOUT(links.size(), 1, 20000);
        QCOMPARE(links.at(0).at(0).toUrl(), QUrl(u"https://exemplo.pt/artigo"_s));
        click(*card, {30, 90});
        QTRY_COMPARE_WITH_TIMEOUT(links.size(), 2, 20000);
        QCOMPARE(links.at(1).at(0).toUrl(), QUrl(u"https://exemplo.pt/novo"_s));

        click(*card, {30, 150});
        // A mail address is handed out as well: the reader writes to it.
        click(*card, {30, 210});
        QTRY_COMPARE_WITH_TIMEOUT(links.size(), 3, 20000);
        QCOMPARE(links.at(2).at(0).toUrl(), QUrl(u"mailto:ana@x.pt?subject=Ol%C3%A1"_s));
        click(*card, {30, 270});
        settle();
        QCOMPARE(links.size(), 3);
        QCOMPARE(server.paths(), QStringList());
        QCOMPARE(card->page()->url(), page);
        QCOMPARE(card->loadCount(), 1);
    }

    void cardsAreAsTallAsTheirContent()
    {
        // Narrower, the text needs more lines; wider again, fewer.
        auto text = view(u"<p>%1</p>"_s.arg(u"palavra "_s.repeated(400)));
        QVERIFY(loaded(*text));
        QTRY_VERIFY_WITH_TIMEOUT(text->height() > HtmlMessageView::minimumBodyHeight, 30000);
        const int wide = text->height();
        text->resize(300, text->height());
        QTRY_VERIFY_WITH_TIMEOUT(text->height() > wide + 40, 30000);
        text->resize(600, text->height());
        QTRY_COMPARE_WITH_TIMEOUT(text->height(), wide, 30000);

        auto small = view(u"<p>curto</p>"_s);
        QVERIFY(loaded(*small));
        settle();
        QCOMPARE(small->height(), HtmlMessageView::minimumBodyHeight);
    }

    void aBodyLetGoOnItsWayComesBackWhole()
    {
        // Seen, a body gets its page a turn before its view. Let go in
        // between, it keeps nothing; the step queued before then finds
        // nothing to do, and seen again the body loads its document once.
        auto body = view(u"<p>volta</p>"_s);
        QElapsedTimer waited;
        waited.start();
        while (!body->page() && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QVERIFY(body->page());
        QVERIFY(!body->webView());
        body->release();
        QVERIFY(!body->page());
        QCOMPARE(body->loadCount(), 0);

        QSignalSpy finished(body.get(), &HtmlMessageView::loadFinished);
        body->update();
        QVERIFY(finished.wait(30000));
        QVERIFY(finished.constLast().at(0).toBool());
        QVERIFY(body->isLive());
        QCOMPARE(body->loadCount(), 1);
    }

    void largeDocumentsLoadThroughTheScheme()
    {
        CountingServer server;
        // Over the inline limit once percent-encoded, with remote content in it.
        QString html = u"<p>%1</p>"_s.arg(u"é "_s.repeated(400 * 1024));
        html += QStringLiteral("<img src=\"%1/img-quoted.png\"><IMG SRC=\"%1/img-upper.png\">"
                               "<p id=\"end\">fim</p>")
                    .arg(server.base());
        QVERIFY(!MessageWebProfile::fitsInline(html.toUtf8()));
        QVERIFY(MessageWebProfile::fitsInline(QByteArray(600 * 1024, 'a')));
        {
            auto large = view(html);
            QVERIFY(loaded(*large));
            QCOMPARE(m_web->documents().publishedCount(), 1);
            QCOMPARE(large->page()->url().scheme(), u"vesk-message"_s);
            QTRY_VERIFY_WITH_TIMEOUT(large->height() > 2000, 30000);
            settle();
            QCOMPARE(server.paths(), QStringList());
            QVERIFY(large->blockedRequests() >= 1);
        }
        QCOMPARE(m_web->documents().publishedCount(), 0);
    }

    void showImagesButtonLoadsOnce()
    {
        CountingServer server;
        FullMessage message;
        message.id = u"news"_s;
        message.fromName = u"Boletim"_s;
        message.html = u"<p>Boletim <img src=\"%1/img-quoted.png\"></p>"_s.arg(server.base());
        MessageCard card(message, nullptr, *m_web);
        card.resize(600, 400);
        card.show();
        QVERIFY(!card.body());
        HtmlMessageView* view = card.htmlView();
        QVERIFY(view);
        QVERIFY(loaded(*view));
        PillButton* button = card.showImagesButton();
        QVERIFY(button);
        QCOMPARE(button->text(), u"Mostrar imagens desta mensagem"_s);
        QCOMPARE(server.paths(), QStringList());

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(card.showsImages());
        QVERIFY(!card.showImagesButton());
        QCOMPARE(view->loadCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(server.paths(), QStringList{u"/img-quoted.png"_s}, 30000);
        card.showImages();
        QCOMPARE(view->loadCount(), 2);
    }

    void nothingLeavesNothingRuns_data()
    {
        QTest::addColumn<QString>("html");
        const QDir corpus(QStringLiteral(HOSTILE_MAIL_DIR));
        for (const QString& name : corpus.entryList({u"*.html"_s}, QDir::Files)) {
            QTest::newRow(qPrintable(name))
                << QString::fromUtf8(test::readFile(corpus.filePath(name)));
        }
        QTest::newRow("huge table") << hugeTable();
        const int depth = 20000;
        QTest::newRow("deep nesting") << u"<div><span>"_s.repeated(depth) +
                                             u"<img src=\"%1/deep.png\">fundo"_s +
                                             u"</span></div>"_s.repeated(depth);
    }

    void nothingLeavesNothingRuns()
    {
        QFETCH(QString, html);
        CountingServer server;
        QVERIFY(server.isListening());
        html = html.arg(server.base());

        // The longest the event loop went without serving a timer.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this,
                [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        ticker.start(20);

        auto card = view();
        QSignalSpy links(card.get(), &HtmlMessageView::linkActivated);
        QSignalSpy finished(card.get(), &HtmlMessageView::loadFinished);
        card->setContent(html, false);
        QVERIFY(finished.wait(120000));
        QVERIFY(finished.constLast().at(0).toBool());
        // Clicks on what sits at the top (a javascript: link in one of them).
        click(*card, {30, 30});

        // Whatever the page would still fetch, run or follow gets its time.
        QSignalSpy requested(&server, &CountingServer::requested);
        QVERIFY(!requested.wait(2000));
        QCOMPARE(server.paths(), QStringList());
        QCOMPARE(server.connections(), 0);
        QVERIFY(card->page()->title() != u"ran");
        for (const QList<QVariant>& link : links) {
            const QString scheme = link.at(0).toUrl().scheme();
            QVERIFY2(scheme == u"http" || scheme == u"https" || scheme == u"mailto",
                     qPrintable(link.at(0).toUrl().toString()));
        }
        // Responsive: the loop never stalled for long (a generous bound, for
        // slow machines and sanitizers, that a hang still fails).
        QVERIFY2(longestGap < 20000, qPrintable(QString::number(longestGap)));
    }
};

QTEST_MAIN(TestHtmlMessageView)
#include "tst_htmlmessageview.moc"
