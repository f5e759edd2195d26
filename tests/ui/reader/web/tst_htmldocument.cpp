#include "ui/reader/web/HtmlDocument.h"
#include "ui/reader/web/RemoteContentPolicy.h"

#include <QTest>
#include <QUrl>

Q_DECLARE_METATYPE(vesk::RemoteContentPolicy::Request)

using namespace Qt::StringLiterals;
using namespace vesk;

class TestHtmlDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rewrite_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("blocked");

        QTest::newRow("double quotes, https")
            << u"<img src=\"https://t.example/p.gif\">"_s
            << QStringLiteral(
                   "<img data-blocked=\"1\" src=\"about:blank#https://t.example/p.gif\">");
        QTest::newRow("single quotes, http")
            << u"<img src='http://t.example/p.gif'>"_s
            << u"<img data-blocked='1' src='about:blank#http://t.example/p.gif'>"_s;
        QTest::newRow("every occurrence, both kinds")
            << u"<img src=\"http://a\"><img src='https://b'><img src=\"http://c\">"_s
            << u"<img data-blocked=\"1\" src=\"about:blank#http://a\">"
               "<img data-blocked='1' src='about:blank#https://b'>"
               "<img data-blocked=\"1\" src=\"about:blank#http://c\">"_s;
        // Left as written: other spellings, and sources that reach nothing remote.
        const auto untouched = [](const char* name, const QString& html) {
            QTest::newRow(name) << html << html;
        };
        untouched("capitals", u"<IMG SRC=\"https://t.example/p.gif\"><img Src=\"http://x\">"_s);
        untouched("blanks around the equals sign", u"<img src = \"http://x\">"_s);
        untouched("unquoted", u"<img src=http://x>"_s);
        untouched("css background", u"<td style=\"background:url(http://x)\">"_s);
        untouched("data and cid sources",
                  u"<img src=\"data:image/png;base64,AA\"><img src=\"cid:a@b\">"_s);
        untouched("srcset's own prefix is not src=", u"<img srcset=\"http://x 2x\">"_s);
        untouched("empty", QString());
        QTest::newRow("data-src also matches the literal text")
            << u"<img data-src=\"http://x\">"_s
            << u"<img data-data-blocked=\"1\" src=\"about:blank#http://x\">"_s;
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
        row("remote stylesheet", "https://t.example/s.css", Request::Other, false, false);
        row("remote frame", "http://t.example/f.html", Request::Other, false, false);
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
};

QTEST_GUILESS_MAIN(TestHtmlDocument)
#include "tst_htmldocument.moc"
