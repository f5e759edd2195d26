// What the interface adds to the core's error sentences: the sidebar's word
// for failures that pass by themselves, and a tooltip that stays text.

#include "gmail/GmailError.h"
#include "net/DescribedError.h"
#include "ui/widgets/ErrorText.h"

#include <QTest>
#include <QTextDocument>

using namespace vesk;
using namespace Qt::StringLiterals;

class TestErrorText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionLineSaysWhatHelps_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown"); // how the line starts

        QTest::newRow("quota passes by itself") << 429 << QByteArray() << u"O Google limitou"_s;
        // Anything else is the core's sentence, made for people.
        QTest::newRow("other") << 400 << QByteArray(R"({"error":{"message":"Invalid\n label"}})")
                               << u"HTTP 400: Invalid label"_s;
    }

    void sessionLineSaysWhatHelps()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);

        const auto error =
            SessionError::from(GmailError::http(GoogleErrorBody::parse(status, body)));
        QVERIFY2(ErrorText::forSession(error).startsWith(shown),
                 qPrintable(ErrorText::forSession(error)));
        QVERIFY(!ErrorText::forSession(error).contains(u'{'));
    }

    void offlineSaysTheSyncGoesOn()
    {
        const auto error = SessionError::from(NetworkError(u"Connection refused"_s));
        QVERIFY(ErrorText::forSession(error).startsWith(u"Sem ligação"));
        QCOMPARE(error.details, u"Connection refused"_s);
    }

    void tooltipKeepsMarkupAsText()
    {
        const QString details = u"HTTP 502: <b>Bad</b> & <img src=\"x\">"_s;
        const QString tip = ErrorText::tooltip(details);
        QVERIFY(Qt::mightBeRichText(tip)); // so that Qt wraps it
        QVERIFY(tip.contains(details.toHtmlEscaped()));
        QVERIFY(!tip.contains(u"<b>"_s));
        QVERIFY(ErrorText::tooltip(u"  "_s).isEmpty());
    }
};

QTEST_MAIN(TestErrorText)
#include "tst_errortext.moc"
