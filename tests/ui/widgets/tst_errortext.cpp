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
        QTest::addColumn<SessionError>("error");
        QTest::addColumn<QString>("shown"); // how the line starts
        const auto http = [](int status, const QByteArray& body) {
            return SessionError::from(GmailError::http(GoogleErrorBody::parse(status, body)));
        };
        QTest::newRow("quota passes by itself") << http(429, {}) << u"O Google limitou"_s;
        QTest::newRow("offline, the sync goes on")
            << SessionError::from(NetworkError(u"Connection refused"_s)) << u"Sem ligação"_s;
        // Anything else is the core's sentence, made for people.
        QTest::newRow("other") << http(400, R"({"error":{"message":"Invalid\n label"}})")
                               << u"HTTP 400: Invalid label"_s;
    }

    void sessionLineSaysWhatHelps()
    {
        QFETCH(SessionError, error);
        QFETCH(QString, shown);
        QVERIFY2(ErrorText::forSession(error).startsWith(shown),
                 qPrintable(ErrorText::forSession(error)));
        QVERIFY(!ErrorText::forSession(error).contains(u'{'));
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
