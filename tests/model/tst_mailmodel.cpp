#include "model/AttachmentInfo.h"
#include "model/LabelInfo.h"
#include "model/MailJson.h"
#include "model/MessageSummary.h"
#include "model/ThreadSummary.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace vesk;

namespace {

MessageSummary summary(const QString& id, const QString& thread, qint64 ms,
                       const QString& fromName = {}, const QString& fromEmail = {},
                       const QString& subject = {}, const QStringList& labels = {})
{
    return MessageSummary{id,       thread,    labels,  QStringLiteral("trecho"),
                          fromName, fromEmail, subject, ms};
}

QByteArray validSummaryJson()
{
    return R"({"id":"m1","threadId":"t1","labelIds":["INBOX","UNREAD"],"snippet":"Olá",)"
           R"("fromName":"Ana","fromEmail":"ana@exemplo.pt","subject":"Férias",)"
           R"("internalDateMs":1700000000123})";
}

QByteArray replaced(QByteArray json, const char* from, const char* to)
{
    return json.replace(from, to);
}

} // namespace

class TestMailModel : public QObject
{
    Q_OBJECT

private slots:
    void summaryDecodingIsStrict_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("failingPath");
        const QByteArray v = validSummaryJson();
        QTest::newRow("missing snippet") << replaced(v, R"("snippet":"Olá",)", "") << "snippet";
        QTest::newRow("missing internalDateMs")
            << replaced(v, R"(,"internalDateMs":1700000000123)", "") << "internalDateMs";
        QTest::newRow("date as string")
            << replaced(v, "1700000000123", "\"1700000000123\"") << "internalDateMs";
        QTest::newRow("date with fraction")
            << replaced(v, "1700000000123", "1700000000123.5") << "internalDateMs";
        QTest::newRow("date beyond 64 bits")
            << replaced(v, "1700000000123", "9223372036854775808") << "internalDateMs";
        QTest::newRow("label not a string")
            << replaced(v, R"(["INBOX","UNREAD"])", R"(["INBOX",7])") << "labelIds[1]";
        QTest::newRow("labels not an array")
            << replaced(v, R"(["INBOX","UNREAD"])", R"("INBOX")") << "labelIds";
        QTest::newRow("null name") << replaced(v, R"("Ana")", "null") << "fromName";
        QTest::newRow("trailing content") << v + "{}"
                                          << "";
        QTest::newRow("array root") << "[" + v + "]"
                                    << "";
        QTest::newRow("not json") << QByteArray("{\"id\":") << "";
        QTest::newRow("invalid utf-8") << replaced(v, "Olá", "Ol\xff") << "";
    }

    void summaryDecodingIsStrict()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, failingPath);
        QString error;
        QVERIFY(!MailJson::decodeMessageSummary(json, &error));
        QVERIFY(!error.isEmpty());
        if (!failingPath.isEmpty())
            QVERIFY2(error.startsWith(failingPath + u':'), qPrintable(error));
    }

    void summaryDecodingAcceptsWhatGmailAndOlderFilesMayHold()
    {
        // Unknown keys are ignored, key order is free and escaped keys count.
        const QByteArray reordered =
            R"({"extra":{"nested":[1,2]},"internalDateMs":-5,"subject":"","fromEmail":"",)"
            R"("fromName":"","snippet":"","labelIds":[],"threadId":"t","\u0069d":"m"})";
        const auto decoded = MailJson::decodeMessageSummary(reordered);
        QVERIFY(decoded);
        QCOMPARE(decoded->id(), QStringLiteral("m"));
        QCOMPARE(decoded->internalDateMs(), -5);
        QVERIFY(decoded->labelIds().isEmpty());

        // 64-bit dates survive exactly, beyond a double's 53 bits.
        const QByteArray big = replaced(validSummaryJson(), "1700000000123", "9007199254740993");
        QCOMPARE(MailJson::decodeMessageSummary(big)->internalDateMs(), 9007199254740993LL);
    }

    void encodingRoundTripsHostileText()
    {
        const QString hostile = QStringLiteral("Aspas \" barra \\ / nova\nlinha\ttab \x01 ") +
                                QString::fromUtf8("ação 😀 \u2028 fim");
        const MessageSummary original{QStringLiteral("id\"1"),
                                      QStringLiteral("t/1"),
                                      {QStringLiteral("INBOX"), QStringLiteral("Label_42")},
                                      hostile,
                                      hostile,
                                      QStringLiteral("a@b.pt"),
                                      hostile,
                                      std::numeric_limits<qint64>::min()};
        const QByteArray json = MailJson::encode(original);
        QCOMPARE(MailJson::decodeMessageSummary(json), original);

        // Another parser reads the same text and every key is written.
        const QJsonObject parsed = QJsonDocument::fromJson(json).object();
        QCOMPARE(parsed.value(u"snippet").toString(), hostile);
        QCOMPARE(parsed.keys().size(), 8);

        // A lone surrogate cannot be written as UTF-8; it must not make the
        // output unreadable (that would lose a whole cache file).
        const MessageSummary broken{{}, {}, {}, QStringLiteral("a") + QChar(0xD800) + u'b',
                                    {}, {}, {}, 0};
        const auto reread = MailJson::decodeMessageSummary(MailJson::encode(broken));
        QVERIFY(reread);
        QCOMPARE(reread->snippet(), QStringLiteral("a\uFFFDb"));

        const LabelInfo label{QStringLiteral("Label_1"), QStringLiteral("Família"),
                              QStringLiteral("user"), 1LL << 40, 0};
        QCOMPARE(MailJson::decodeLabelInfo(MailJson::encode(label)), label);
        const AccountIdentity identity{QStringLiteral("ana@gmail.com"), QString()};
        QCOMPARE(MailJson::decodeAccountIdentity(MailJson::encode(identity)), identity);
    }

    void labelAndIdentityDecodingIsStrict()
    {
        QVERIFY(!MailJson::decodeLabelInfo(
            R"({"id":"INBOX","name":"INBOX","type":"system","messagesTotal":3})"));
        QVERIFY(!MailJson::decodeLabelInfo(
            R"({"id":"INBOX","name":"INBOX","type":"system","messagesTotal":3,"messagesUnread":"1"})"));
        QVERIFY(!MailJson::decodeAccountIdentity(R"({"email":"a@b.pt"})"));
        QVERIFY(!MailJson::decodeAccountIdentity(R"({"email":"a@b.pt","name":false})"));
    }

    void groupingOrdersMessagesAndThreads()
    {
        // One thread given newest first, interleaved with a newer thread.
        const QList<MessageSummary> input{
            summary(QStringLiteral("a3"), QStringLiteral("A"), 3000, {}, {},
                    QStringLiteral("Re: x")),
            summary(QStringLiteral("b1"), QStringLiteral("B"), 5000),
            summary(QStringLiteral("a2"), QStringLiteral("A"), 2000, {}, {},
                    QStringLiteral("Re: x")),
            summary(QStringLiteral("a1"), QStringLiteral("A"), 1000, {}, {}, QStringLiteral("x")),
        };
        const QList<ThreadSummary> threads = ThreadSummary::group(input);
        QCOMPARE(threads.size(), 2);
        QCOMPARE(threads[0].threadId, QStringLiteral("B"));
        const ThreadSummary& a = threads[1];
        QCOMPARE(a.messages.size(), 3);
        QCOMPARE(a.messages[0].id(), QStringLiteral("a1"));
        QCOMPARE(a.latest().id(), QStringLiteral("a3"));
        QCOMPARE(a.subject(), QStringLiteral("x"));
        QCOMPARE(threads[0].subject(), QStringLiteral("(sem assunto)"));

        // Equal dates keep their input order; duplicates are never merged.
        const QList<MessageSummary> ties{
            summary(QStringLiteral("second"), QStringLiteral("T"), 7),
            summary(QStringLiteral("first"), QStringLiteral("T"), 7),
            summary(QStringLiteral("second"), QStringLiteral("T"), 7),
        };
        const ThreadSummary tied = ThreadSummary::group(ties).constFirst();
        QCOMPARE(tied.messages.size(), 3);
        QCOMPARE(tied.messages[1].id(), QStringLiteral("first"));

        QVERIFY(ThreadSummary::group({}).isEmpty());
    }

    void derivedThreadValues()
    {
        const QString ana = QStringLiteral("Ana");
        ThreadSummary thread{
            QStringLiteral("t"),
            {summary(QStringLiteral("1"), QStringLiteral("t"), 1, ana, QStringLiteral("a@x.pt")),
             summary(QStringLiteral("2"), QStringLiteral("t"), 2, {}, QStringLiteral("b@x.pt"),
                     QStringLiteral("Assunto tardio"), {QStringLiteral("UNREAD")}),
             summary(QStringLiteral("3"), QStringLiteral("t"), 3, ana, QStringLiteral("c@x.pt"))}};
        QCOMPARE(thread.participants(), QStringLiteral("Ana, b@x.pt"));
        QVERIFY(thread.isUnread());
        // The oldest message decides the subject, even when a later one has one.
        QCOMPARE(thread.subject(), QStringLiteral("(sem assunto)"));

        thread.messages[1].setLabelIds({QStringLiteral("unread"), QStringLiteral("INBOX")});
        QVERIFY(!thread.isUnread());

        const ThreadSummary empty;
        QCOMPARE(empty.participants(), QString());
        QCOMPARE(empty.subject(), QStringLiteral("(sem assunto)"));
        QVERIFY(!empty.isUnread());

        const AttachmentInfo attachment{QStringLiteral("m1"), QStringLiteral("a9"), {}, {}, 0};
        QCOMPARE(attachment.id(), QStringLiteral("m1:a9"));
    }
};

QTEST_GUILESS_MAIN(TestMailModel)
#include "tst_mailmodel.moc"
