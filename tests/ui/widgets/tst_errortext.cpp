#include "ui/widgets/ErrorText.h"

#include <QTest>

using namespace vesk;

class TestErrorText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void condensed_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Gmail's error document")
            << QStringLiteral("HTTP 404: {\n  \"error\": {\n    \"code\": 404,\n    \"message\": "
                              "\"Requested entity was not found.\",\n    \"status\": "
                              "\"NOT_FOUND\"\n  }\n}")
            << QStringLiteral("HTTP 404: Requested entity was not found.");
        QTest::newRow("cut short by the core, message still whole")
            << QStringLiteral("HTTP 403: {\"error\":{\"code\":403,\"message\":\"Rate Limit "
                              "Exceeded\",\"errors\":[{\"mess")
            << QStringLiteral("HTTP 403: Rate Limit Exceeded");
        QTest::newRow("the token endpoint's form")
            << QStringLiteral("HTTP 400: {\"error\":\"invalid_grant\",\"error_description\":"
                              "\"Token has been expired or revoked.\"}")
            << QStringLiteral("HTTP 400: Token has been expired or revoked.");
        QTest::newRow("a body that is not JSON")
            << QStringLiteral("HTTP 502: <html>\n<b>Bad   Gateway</b></html>")
            << QStringLiteral("HTTP 502: <html> <b>Bad Gateway</b></html>");
        QTest::newRow("no body") << QStringLiteral("HTTP 500: ") << QStringLiteral("HTTP 500");
        QTest::newRow("not an HTTP answer") << QStringLiteral("Transporte:\n  ligação recusada")
                                            << QStringLiteral("Transporte: ligação recusada");
    }

    void condensed()
    {
        QFETCH(QString, raw);
        QFETCH(QString, shown);
        QCOMPARE(ErrorText::condensed(raw), shown);
    }

    void sessionKindsSayWhatHelps()
    {
        const QString raw = QStringLiteral("HTTP 429: {\"error\":{\"message\":\"Too many\"}}");
        QVERIFY(ErrorText::forSession(raw, SessionError::Kind::Quota).contains(u"continua"));
        QVERIFY(ErrorText::forSession(raw, SessionError::Kind::NeedsRelink)
                    .contains(u"Liga-a de novo"));
        QVERIFY(ErrorText::forSession(raw, SessionError::Kind::Offline).startsWith(u"Sem ligação"));
        QCOMPARE(ErrorText::forSession(raw, SessionError::Kind::Other),
                 QStringLiteral("HTTP 429: Too many"));
    }
};

QTEST_MAIN(TestErrorText)
#include "tst_errortext.moc"
