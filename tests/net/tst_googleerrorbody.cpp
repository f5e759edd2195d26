// Google's error answers read into fields: both of Google's shapes, and
// whatever else a server or a proxy may send instead.

#include "GoogleRefusal.h"
#include "net/GoogleErrorBody.h"

#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using vesk::test::googleRefusal;

class TestGoogleErrorBody final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What is read, as "status|reasons|message|error", and whether the text stays.
    void readsFields_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("read");
        QTest::addColumn<bool>("textKept");
        const auto row = [](const char* name, const QByteArray& body, const QString& read,
                            bool textKept = true) {
            QTest::newRow(name) << body << read << textKept;
        };
        row("Gmail's form",
            R"({"error": {"code": 403, "message": "Request had insufficient scopes.",)"
            R"( "status": "PERMISSION_DENIED", "errors": [{"message": "Insufficient",)"
            R"( "domain": "global", "reason": "insufficientPermissions"}], "details":)"
            R"( [{"@type": "type.googleapis.com/google.rpc.ErrorInfo", "reason":)"
            R"( "ACCESS_TOKEN_SCOPE_INSUFFICIENT", "domain": "googleapis.com"}]}})",
            u"PERMISSION_DENIED|insufficientPermissions,ACCESS_TOKEN_SCOPE_INSUFFICIENT|"
            u"Request had insufficient scopes.|"_s);
        row("reason in details only",
            R"({"error":{"code":429,"status":"RESOURCE_EXHAUSTED",)"
            R"("details":[{"reason":"RATE_LIMIT_EXCEEDED"},{"@type":"Help"}]}})",
            u"RESOURCE_EXHAUSTED|RATE_LIMIT_EXCEEDED||"_s);
        row("token endpoint's form",
            R"({"error": "invalid_client", "error_description": "Unauthorized"})",
            u"||Unauthorized|invalid_client"_s);
        row("token endpoint, code alone", R"({"error":"invalid_grant"})", u"|||invalid_grant"_s);
        row("message folded onto one line",
            "{\"error\":{\"message\":\"  Backend\\n\\tError\\u0007 \\u001b[31m\"}}",
            u"||Backend Error [31m|"_s);
        // Garbage: nothing is read, the text stays for the details. (No body and
        // a proxy's page: tst_gmailwire.)
        const QString nothing = u"|||"_s;
        row("wrong types",
            R"({"error":{"status":7,"message":{"a":1},"errors":"x",)"
            R"("details":[3,null,{"reason":["r"]},{"reason":""}]}})",
            nothing);
        row("error neither object nor text", R"({"error":42,"error_description":"d"})", nothing);
        row("cut short", "{\"error\":{\"code\":403,\"message\":\"Rate Limit\",\"errors\":[{\"re",
            nothing);
        row("an array", R"([{"error":{"message":"m","errors":[{"reason":"r"}]}}])", nothing);
        row("a NUL between tokens", QByteArray("{\"error\":\0\"x\"}", 14), nothing);
        row("nested without end", QByteArray(100000, '['), nothing);
        row("not UTF-8", "{\"error\":{\"message\":\"\xff\xfe\"}}", nothing, false);
        // Larger than any error document: kept as text, not read.
        row("huge", "{\"error\":{\"message\":\"" + QByteArray(70000, 'a') + "\"}}", nothing);
    }

    void readsFields()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, textKept);
        const GoogleErrorBody parsed = GoogleErrorBody::parse(418, body);
        QCOMPARE(parsed.httpStatus, 418);
        QTEST(QStringList({parsed.status, parsed.reasons.join(u','), parsed.message, parsed.error})
                  .join(u'|'),
              "read");
        QCOMPARE(parsed.reason(), parsed.reasons.value(0));
        QCOMPARE(parsed.text, textKept ? QString::fromUtf8(body) : QString());
    }

    // "rate", "quota" or "scope": which kind the refusal is, if any. (A rate
    // limit's reason, and a missing scope whose message names a rate limit,
    // as tst_gmailwire's sentences tell them.)
    void kindsComeFromStatusAndReason_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("kind");
        QTest::newRow("429 whatever it says") << 429 << QByteArray("busy") << u"rate"_s;
        QTest::newRow("daily limit") << 403 << googleRefusal("dailyLimitExceeded") << u"quota"_s;
        QTest::newRow("scope missing, ErrorInfo form")
            << 403
            << QByteArray(R"({"error":{"details":[{"reason":"ACCESS_TOKEN_SCOPE_INSUFFICIENT"}]}})")
            << u"scope"_s;
        QTest::newRow("message naming the scope, another reason")
            << 403 << googleRefusal("forbidden", u"insufficientPermissions"_s) << QString();
        QTest::newRow("reasons as bare text")
            << 403 << QByteArray("insufficientPermissions rateLimitExceeded dailyLimitExceeded")
            << QString();
        QTest::newRow("the right reason on another status")
            << 401 << googleRefusal("insufficientPermissions") << QString();
    }

    void kindsComeFromStatusAndReason()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, kind);
        const GoogleErrorBody parsed = GoogleErrorBody::parse(status, body);
        QCOMPARE(parsed.isRateLimit(), kind == u"rate"_s);
        QCOMPARE(parsed.isQuotaSpent(), kind == u"quota"_s);
        QCOMPARE(parsed.lacksScope(), kind == u"scope"_s);
    }
};

QTEST_GUILESS_MAIN(TestGoogleErrorBody)
#include "tst_googleerrorbody.moc"
