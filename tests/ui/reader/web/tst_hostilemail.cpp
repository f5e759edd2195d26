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

QString hugeTable(const QString& base)
{
    QString html = u"<table>"_s;
    for (int row = 0; row < 20000; ++row)
        html += u"<tr><td>%1</td><td style=\"background:url(%2/cell.png)\">x</td>"
                "<td><img src=\"%2/row.png\"></td></tr>"_s.arg(row)
                    .arg(base);
    return html + u"</table>"_s;
}

QString deepNesting(const QString& base)
{
    const int depth = 20000;
    return u"<div><span>"_s.repeated(depth) + u"<img src=\"%1/deep.png\">fundo"_s.arg(base) +
           u"</span></div>"_s.repeated(depth);
}

QString fiveMegabytes(const QString& base)
{
    const QString paragraph = u"<p>Relatório trimestral — secção de números e notas de rodapé. "
                              "<img src=\"%1/big.png\"> "_s.arg(base) +
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
        QTest::addColumn<QString>("name");
        const QDir corpus(QStringLiteral(HOSTILE_MAIL_DIR));
        for (const QString& file : corpus.entryList({u"*.html"_s}, QDir::Files))
            QTest::newRow(qPrintable(file)) << file;
        QTest::newRow("huge table") << u"huge table"_s;
        QTest::newRow("deep nesting") << u"deep nesting"_s;
        QTest::newRow("5 MB body") << u"5 MB body"_s;
    }

    void nothingLeavesNothingRuns()
    {
        QFETCH(QString, name);
        CountingServer server;
        QVERIFY(server.isListening());
        QString html;
        if (name == u"huge table") {
            html = hugeTable(server.base());
        } else if (name == u"deep nesting") {
            html = deepNesting(server.base());
        } else if (name == u"5 MB body") {
            html = fiveMegabytes(server.base());
        } else {
            QFile file(QDir(QStringLiteral(HOSTILE_MAIL_DIR)).filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            html = QString::fromUtf8(file.readAll()).arg(server.base());
        }

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
