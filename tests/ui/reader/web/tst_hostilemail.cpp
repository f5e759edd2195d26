// Malicious HTML mail in the reader, images blocked: the files under hostile/
// (scripts, forms, refreshes, remote styles and fonts, javascript: links) and
// pages made here because of their size (a huge table, deep nesting, a 5 MB
// body). No request may reach the counting server, no script may run, and
// the event loop keeps turning while the page loads.

#include "CountingServer.h"
#include "ui/reader/web/HtmlMessageView.h"
#include "ui/reader/web/MessagePage.h"
#include "ui/reader/web/MessageWebProfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include <memory>

using namespace Qt::StringLiterals;
using namespace vesk;
using vesk::test::CountingServer;

namespace {

// Pages too large for a file here, with "%1" where the server goes.
QString hugeTable()
{
    QString html = u"<table>"_s;
    for (int row = 0; row < 20000; ++row)
        html += u"<tr><td>"_s + QString::number(row) +
                u"</td><td style=\"background:url(%1/cell.png)\">x</td>"
                "<td><img src=\"%1/row.png\"></td></tr>"_s;
    return html + u"</table>"_s;
}

QString fiveMegabytes()
{
    const QString paragraph = u"<p>Relatório trimestral — secção de números e notas de rodapé. "
                              "<img src=\"%1/big.png\"> "_s +
                              QString(400, u'x') + u"</p>"_s;
    return paragraph.repeated(5 * 1024 * 1024 / paragraph.size() + 1);
}

} // namespace

class TestHostileMail : public QObject
{
    Q_OBJECT

    std::unique_ptr<MessageWebProfile> m_web;

private Q_SLOTS:
    void init() { m_web = std::make_unique<MessageWebProfile>(); }
    void cleanup() { m_web.reset(); }

    void nothingLeavesNothingRuns_data()
    {
        QTest::addColumn<QString>("html");
        const QDir corpus(QStringLiteral(HOSTILE_MAIL_DIR));
        for (const QString& name : corpus.entryList({u"*.html"_s}, QDir::Files)) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::newRow(qPrintable(name)) << QString::fromUtf8(file.readAll());
        }
        QTest::newRow("huge table") << hugeTable();
        const int depth = 20000;
        QTest::newRow("deep nesting") << u"<div><span>"_s.repeated(depth) +
                                             u"<img src=\"%1/deep.png\">fundo"_s +
                                             u"</span></div>"_s.repeated(depth);
        QTest::newRow("5 MB body") << fiveMegabytes();
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

        HtmlMessageView view(*m_web, u"m1"_s);
        view.resize(600, HtmlMessageView::minimumBodyHeight);
        view.show();
        QSignalSpy links(&view, &HtmlMessageView::linkActivated);
        QSignalSpy finished(&view, &HtmlMessageView::loadFinished);
        view.setContent(html, false);
        QVERIFY(finished.wait(120000));
        QVERIFY(finished.constLast().at(0).toBool());

        // Clicks on what sits at the top (a javascript: link in one of them).
        QWidget* target = view.webView()->focusProxy();
        QVERIFY(target);
        QTest::mouseClick(target, Qt::LeftButton, {}, {30, 30});

        // Whatever the page would still fetch, run or follow gets its time.
        QSignalSpy requested(&server, &CountingServer::requested);
        QVERIFY(!requested.wait(2000));
        QCOMPARE(server.paths(), QStringList());
        QCOMPARE(server.connections(), 0);
        QVERIFY(view.page()->title() != u"ran");
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

QTEST_MAIN(TestHostileMail)
#include "tst_hostilemail.moc"
