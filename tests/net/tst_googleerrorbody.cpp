// Google's error answers read into fields: both of Google's shapes, and
// whatever else a server or a proxy may send instead.

#include "GoogleRefusal.h"
#include "net/GoogleErrorBody.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using vesk::test::googleRefusal;

class TestGoogleErrorBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsFields_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("reasons");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("textKept");

        QTest::newRow("Gmail's form")
            << QByteArray(
                   R"({"error": {"code": 403, "message": "Request had insufficient scopes.",)"
                   R"( "status": "PERMISSION_DENIED", "errors": [{"message": "Insufficient",)"
                   R"( "domain": "global", "reason": "insufficientPermissions"}], "details":)"
                   R"( [{"@type": "type.googleapis.com/google.rpc.ErrorInfo", "reason":)"
                   R"( "ACCESS_TOKEN_SCOPE_INSUFFICIENT", "domain": "googleapis.com"}]}})")
            << u"PERMISSION_DENIED"_s
            << QStringList{u"insufficientPermissions"_s, u"ACCESS_TOKEN_SCOPE_INSUFFICIENT"_s}
            << u"Request had insufficient scopes."_s << QString() << true;
        QTest::newRow("reason in details only")
            << QByteArray(R"({"error":{"code":429,"status":"RESOURCE_EXHAUSTED",)"
                          R"("details":[{"reason":"RATE_LIMIT_EXCEEDED"},{"@type":"Help"}]}})")
            << u"RESOURCE_EXHAUSTED"_s << QStringList{u"RATE_LIMIT_EXCEEDED"_s} << QString()
            << QString() << true;
        QTest::newRow("token endpoint's form")
            << QByteArray(R"({"error": "invalid_client", "error_description": "Unauthorized"})")
            << QString() << QStringList() << u"Unauthorized"_s << u"invalid_client"_s << true;
        QTest::newRow("token endpoint, code alone")
            << QByteArray(R"({"error":"invalid_grant"})") << QString() << QStringList() << QString()
            << u"invalid_grant"_s << true;
        QTest::newRow("message folded onto one line")
            << QByteArray("{\"error\":{\"message\":\"  Backend\\n\\tError\\u0007 \\u001b[31m\"}}")
            << QString() << QStringList() << u"Backend Error [31m"_s << QString() << true;
        QTest::newRow("wrong types")
            << QByteArray(R"({"error":{"status":7,"message":{"a":1},"errors":"x",)"
                          R"("details":[3,null,{"reason":["r"]},{"reason":""}]}})")
            << QString() << QStringList() << QString() << QString() << true;
        QTest::newRow("error neither object nor text")
            << QByteArray(R"({"error":42,"error_description":"d"})") << QString() << QStringList()
            << QString() << QString() << true;

        // Garbage: nothing is read, the text stays for the details.
        const auto garbage = [](const char* name, const QByteArray& body, bool textKept = true) {
            QTest::newRow(name) << body << QString() << QStringList() << QString() << QString()
                                << textKept;
        };
        garbage("empty", QByteArray());
        garbage("a proxy's page", "<html><body><h1>502 Bad Gateway</h1></body></html>");
        garbage("cut short",
                "{\"error\":{\"code\":403,\"message\":\"Rate Limit\",\"errors\":[{\"re");
        garbage("an array", R"([{"error":{"message":"m","errors":[{"reason":"r"}]}}])");
        garbage("a NUL between tokens", QByteArray("{\"error\":\0\"x\"}", 14));
        garbage("nested without end", QByteArray(100000, '['));
        garbage("not UTF-8", "{\"error\":{\"message\":\"\xff\xfe\"}}", false);
        // Larger than any error document: kept as text, not read.
        garbage("huge", "{\"error\":{\"message\":\"" + QByteArray(70000, 'a') + "\"}}");
    }

    void readsFields()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, status);
        QFETCH(QStringList, reasons);
        QFETCH(QString, message);
        QFETCH(QString, error);
        QFETCH(bool, textKept);

        const GoogleErrorBody parsed = GoogleErrorBody::parse(418, body);
        QCOMPARE(parsed.httpStatus, 418);
        QCOMPARE(parsed.status, status);
        QCOMPARE(parsed.reasons, reasons);
        QCOMPARE(parsed.reason(), reasons.value(0));
        QCOMPARE(parsed.message, message);
        QCOMPARE(parsed.error, error);
        QCOMPARE(parsed.text, textKept ? QString::fromUtf8(body) : QString());
    }

    void kindsComeFromStatusAndReason_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("rateLimit");
        QTest::addColumn<bool>("quotaSpent");
        QTest::addColumn<bool>("lacksScope");

        QTest::newRow("429 whatever it says")
            << 429 << QByteArray("busy") << true << false << false;
        QTest::newRow("rate limit")
            << 403 << googleRefusal("userRateLimitExceeded") << true << false << false;
        QTest::newRow("daily limit")
            << 403 << googleRefusal("dailyLimitExceeded") << false << true << false;
        QTest::newRow("scope missing, message naming a rate limit")
            << 403 << googleRefusal("insufficientPermissions", u"rateLimitExceeded quotaExceeded"_s)
            << false << false << true;
        QTest::newRow("scope missing, ErrorInfo form")
            << 403
            << QByteArray(R"({"error":{"details":[{"reason":"ACCESS_TOKEN_SCOPE_INSUFFICIENT"}]}})")
            << false << false << true;
        QTest::newRow("message naming the scope, another reason")
            << 403 << googleRefusal("forbidden", u"insufficientPermissions"_s) << false << false
            << false;
        QTest::newRow("reasons as bare text")
            << 403 << QByteArray("insufficientPermissions rateLimitExceeded dailyLimitExceeded")
            << false << false << false;
        QTest::newRow("the right reason on another status")
            << 401 << googleRefusal("insufficientPermissions") << false << false << false;
    }

    void kindsComeFromStatusAndReason()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, rateLimit);
        QFETCH(bool, quotaSpent);
        QFETCH(bool, lacksScope);

        const GoogleErrorBody parsed = GoogleErrorBody::parse(status, body);
        QCOMPARE(parsed.isRateLimit(), rateLimit);
        QCOMPARE(parsed.isQuotaSpent(), quotaSpent);
        QCOMPARE(parsed.lacksScope(), lacksScope);
    }
};

QTEST_GUILESS_MAIN(TestGoogleErrorBody)
#include "tst_googleerrorbody.moc"
