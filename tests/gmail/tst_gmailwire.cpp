#include "GoogleRefusal.h"
#include "gmail/Base64Url.h"
#include "gmail/GmailError.h"
#include "gmail/WireRecords.h"
#include "model/SnippetText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using vesk::test::googleRefusal;

namespace {

/// A message whose whole body is one text/plain part with these bytes.
FullMessage plainTextMessage(const QString& contentType, const QByteArray& bytes)
{
    const QString data = QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    QJsonObject part{{u"mimeType"_s, u"text/plain"_s},
                     {u"body"_s, QJsonObject{{u"size"_s, bytes.size()}, {u"data"_s, data}}}};
    if (!contentType.isEmpty()) {
        part[u"headers"_s] =
            QJsonArray{QJsonObject{{u"name"_s, u"Content-Type"_s}, {u"value"_s, contentType}}};
    }
    const QJsonObject message{{u"id"_s, u"m"_s}, {u"threadId"_s, u"t"_s}, {u"payload"_s, part}};
    return decodeWire<MessageDTO>(QJsonDocument(message).toJson()).toFull();
}

} // namespace

class TestGmailWire : public QObject
{
    Q_OBJECT

private slots:
    void httpErrorDetailsCutAfter200Characters()
    {
        const auto details = [](int status, const QString& body) {
            return GmailError::http(GoogleErrorBody::parse(status, body.toUtf8())).details();
        };
        const QString two = QString(200, QChar(0xE9));
        QCOMPARE(details(500, two), u"HTTP 500: "_s + two);
        QCOMPARE(details(500, two + u'x'), u"HTTP 500: "_s + two);
        QCOMPARE(details(404, {}), u"HTTP 404: "_s);

        // Emoji are two UTF-16 units, some with modifiers: cut whole characters only.
        QString emoji;
        for (int i = 0; i < 201; ++i)
            emoji += u"👍🏽"_s;
        QCOMPARE(details(429, emoji).mid(10), emoji.left(200 * 4));
    }

    void httpErrorSentenceComesFromGooglesFields_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("sentence"); // a regular expression

        // Only the reason tells; the message here names a rate limit.
        QTest::newRow("Gmail permission unticked")
            << 403 << googleRefusal("insufficientPermissions", u"rateLimitExceeded"_s)
            << u"^Falta a permissão do Gmail: .* marcar a permissão do Gmail\\.$"_s;
        QTest::newRow("refused after a fresh token")
            << 401 << googleRefusal("authError", u"Invalid Credentials"_s, 401)
            << u"^A Google deixou de aceitar .*\\(HTTP 401\\)\\. É preciso ligá-la de novo\\.$"_s;
        QTest::newRow("rate limit") << 403 << googleRefusal("userRateLimitExceeded", u"Slow down"_s)
                                    << u"^O Gmail limitou os pedidos .*\\(HTTP 403\\)"_s;
        QTest::newRow("not found") << 404 << googleRefusal("notFound", u"Requested entity"_s, 404)
                                   << u"^O Gmail não encontrou .*\\(HTTP 404\\)"_s;
        QTest::newRow("Google's message, on one line")
            << 400 << googleRefusal("invalid", u"Invalid\n  label: \"<b>\""_s, 400)
            << u"^HTTP 400: Invalid label: \"<b>\"$"_s;
        QTest::newRow("a long message is quoted in part")
            << 500 << googleRefusal("backendError", QString(300, u'x'), 500)
            << u"^HTTP 500: x{200}$"_s;
        QTest::newRow("a proxy's page is not quoted")
            << 502 << QByteArray("<html><b>Bad Gateway</b></html>") << u"^HTTP 502$"_s;
        QTest::newRow("no body") << 500 << QByteArray() << u"^HTTP 500$"_s;
    }

    void httpErrorSentenceComesFromGooglesFields()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, sentence);

        const GmailError error = GmailError::http(GoogleErrorBody::parse(status, body));
        // Each row has its own pattern; there is no one expression to keep.
        const bool said =
            QRegularExpression(sentence) // clazy:exclude=use-static-qregularexpression
                .match(error.description())
                .hasMatch();
        QVERIFY2(said, qPrintable(error.description()));
        // Whatever the sentence, what Google sent stays for the details.
        QCOMPARE(error.payload(), QString::fromUtf8(body));
        QVERIFY(error.details().startsWith(u"HTTP %1: "_s.arg(status)));
    }

    void base64UrlPadding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("valid");
        QTest::newRow("multiple of 4") << u"YWJj"_s << QByteArray("abc") << true;
        QTest::newRow("remainder 2") << u"YQ"_s << QByteArray("a") << true;
        QTest::newRow("remainder 3") << u"YWI"_s << QByteArray("ab") << true;
        QTest::newRow("already padded") << u"YQ=="_s << QByteArray("a") << true;
        QTest::newRow("remainder 1") << u"YWJjZ"_s << QByteArray() << false;
        QTest::newRow("url alphabet") << u"-_-_"_s << QByteArray("\xfb\xff\xbf") << true;
        QTest::newRow("white space") << u"YW Jj"_s << QByteArray() << false;
        QTest::newRow("non-ascii") << u"YWéj"_s << QByteArray() << false;
    }

    void base64UrlPadding()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QFETCH(bool, valid);
        const auto decoded = decodeBase64Url(text);
        QCOMPARE(decoded.has_value(), valid);
        if (valid)
            QCOMPARE(*decoded, expected);
    }

    void parseAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("email");
        QTest::newRow("name and address")
            << u"  Ana Sá <ana@x.pt> "_s << u"Ana Sá"_s << u"ana@x.pt"_s;
        QTest::newRow("quoted") << u"\"Silva, Ana\" <a@x.pt>"_s << u"Silva, Ana"_s << u"a@x.pt"_s;
        QTest::newRow("bare") << u"\ta@x.pt"_s << QString() << u"a@x.pt"_s;
        QTest::newRow("brackets only") << u"<a@x.pt>"_s << QString() << u"a@x.pt"_s;
        QTest::newRow("no closing") << u"Ana <a@x.pt"_s << QString() << u"Ana <a@x.pt"_s;
        QTest::newRow("reversed") << u"a> <b"_s << QString() << u"a> <b"_s;
        QTest::newRow("two addresses")
            << u"A <a@x.pt>, B <b@x.pt>"_s << u"A <a@x.pt>, B"_s << u"b@x.pt"_s;
        QTest::newRow("brackets inside quotes") << u"\"Doe, John <john@x.com>\" <john@x.com>"_s
                                                << u"Doe, John <john@x.com>"_s << u"john@x.com"_s;
        QTest::newRow("escaped quotes")
            << u"\"Ana \\\"Nita\\\" Sá\" <ana@x.pt>"_s << u"Ana \"Nita\" Sá"_s << u"ana@x.pt"_s;
        QTest::newRow("escaped backslash") << u"\"a\\\\b\" <a@x.pt>"_s << u"a\\b"_s << u"a@x.pt"_s;
        QTest::newRow("quoted words and plain ones")
            << u"\"Ana\" Sá <a@x.pt>"_s << u"Ana Sá"_s << u"a@x.pt"_s;
        QTest::newRow("lone quote from a decoded name")
            << u"O\"Neil <o@x.pt>"_s << u"O\"Neil"_s << u"o@x.pt"_s;
        QTest::newRow("comment form")
            << u"bbb@ddd.com (John X. Doe)"_s << u"John X. Doe"_s << u"bbb@ddd.com"_s;
        QTest::newRow("nested comment")
            << u"b@d.pt (Rui \\) (Lisboa))"_s << u"Rui ) (Lisboa)"_s << u"b@d.pt"_s;
        QTest::newRow("comment not at the end")
            << u"b@d.pt (Rui) x"_s << QString() << u"b@d.pt (Rui) x"_s;
    }

    void parseAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(QString, email);
        QCOMPARE(vesk::parseAddress(text), std::make_pair(name, email));
    }

    void bodyTextSurvivesCharsetTrouble_data()
    {
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString para = u"Segue a ata da reunião de terça-feira. "_s.repeated(60);
        QTest::newRow("stray byte in long UTF-8")
            << u"text/plain; charset=\"UTF-8\""_s << para.toUtf8() + '\xff' + para.toUtf8()
            << para + QChar(0xFFFD) + para;
        QTest::newRow("UTF-8 cut short at the end")
            << u"text/plain; charset=utf-8"_s << QByteArray("caf\xc3") << u"caf\uFFFD"_s;
        QTest::newRow("us-ascii carrying UTF-8")
            << u"text/plain; charset=us-ascii"_s << u"Olá, João"_s.toUtf8() << u"Olá, João"_s;
        QTest::newRow("us-ascii carrying Latin-1")
            << u"text/plain; charset=us-ascii"_s << QByteArray("Ol\xe1!") << u"Ol\uFFFD!"_s;
        QTest::newRow("no charset, Latin-1 bytes")
            << QString() << QByteArray("Ol\xe1, Jo\xe3o") << u"Olá, João"_s;
        QTest::newRow("no charset, UTF-8") << u"text/plain"_s << u"Olá"_s.toUtf8() << u"Olá"_s;
        QTest::newRow("unknown charset name, Windows-1252 bytes")
            << u"text/plain; charset=x-desconhecido"_s << QByteArray("Pre\xe7o: 5\x80")
            << u"Preço: 5€"_s;
        QTest::newRow("declared Windows-1252") << u"text/plain; charset=windows-1252"_s
                                               << QByteArray("\x93ol\xe1\x94 \x80") << u"“olá” €"_s;
        QTest::newRow("unknown charset name, UTF-8 bytes")
            << u"text/plain; charset=x-desconhecido"_s << QByteArray("sim \xc3\xa9") << u"sim é"_s;
        QTest::newRow("declared charset before UTF-8")
            << u"text/plain; charset=iso-8859-1"_s << QByteArray("\xc3\xa9") << u"Ã©"_s;
    }

    void bodyTextSurvivesCharsetTrouble()
    {
        QFETCH(QString, contentType);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(plainTextMessage(contentType, bytes).plainText, std::optional<QString>(text));
    }

    void strictWireDecoding_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("failure");
        QTest::newRow("ref without threadId")
            << QByteArray(R"({"messages":[{"id":"a","threadId":"t"},{"id":"b"}]})")
            << "messages[1].threadId: missing";
        QTest::newRow("internalDate as number")
            << QByteArray(R"({"id":"t","messages":[{"id":"a","threadId":"t","internalDate":5}]})")
            << "messages[0].internalDate: expected a string";
        QTest::newRow("nested payload")
            << QByteArray(
                   R"({"id":"t","messages":[{"id":"a","threadId":"t","payload":{"parts":[{"headers":[{"name":"X"}]}]}}]})")
            << "messages[0].payload.parts[0].headers[0].value: missing";
    }

    void strictWireDecoding()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, failure);
        try {
            if (json.startsWith(R"({"id")"))
                decodeWire<ThreadDTO>(json);
            else
                decodeWire<MessageListDTO>(json);
            QFAIL("decoded");
        } catch (const GmailError& error) {
            QCOMPARE(error.kind(), GmailError::Kind::Decoding);
            QCOMPARE(error.description(), u"Descodificação: "_s + failure);
        }
    }

    void lenientWhereGmailOmitsThings()
    {
        QVERIFY(!decodeWire<MessageListDTO>(R"({"resultSizeEstimate":0})").messages);
        QVERIFY(!decodeWire<HistoryListDTO>(R"({"historyId":"9"})").history);
        const UserInfoDTO info = decodeWire<UserInfoDTO>("{}");
        QVERIFY(!info.name && !info.email && !info.picture);
        const auto labels =
            decodeWire<LabelListDTO>(R"({"labels":[{"id":"Label_1","name":"X","type":null}]})");
        QVERIFY(!labels.labels[0].type && !labels.labels[0].messagesTotal);
        QVERIFY_THROWS_EXCEPTION(GmailError,
                                 decodeWire<LabelListDTO>(R"({"labels":[{"id":"Label_1"}]})"));
        QVERIFY_THROWS_EXCEPTION(GmailError, decodeWire<GmailProfileDTO>(""));
    }

    void summaryAndFullFromRecord()
    {
        const MessageDTO message = decodeWire<MessageDTO>(
            R"({"id":"m","threadId":"t","internalDate":"86400000","payload":{"headers":[)"
            R"({"name":"SUBJECT","value":"Primeiro"},{"name":"subject","value":"Segundo"},)"
            "{\"name\":\"From\",\"value\":\"\\\"Zé\\\" <ze@x.pt>\"}]}}");
        const MessageSummary summary = message.toSummary();
        QCOMPARE(summary.subject(), u"Primeiro"_s);
        QCOMPARE(summary.fromName(), u"Zé"_s);
        QCOMPARE(summary.internalDateMs(), 86400000);
        QCOMPARE(message.toFull().date, QDateTime(QDate(1970, 1, 2), QTime(0, 0), Qt::UTC));

        const MessageDTO bare =
            decodeWire<MessageDTO>(R"({"id":"m","threadId":"t","internalDate":"12ab"})");
        QCOMPARE(bare.toSummary().internalDateMs(), 0);
        const FullMessage full = bare.toFull();
        QCOMPARE(full.date.toMSecsSinceEpoch(), 0);
        QVERIFY(full.fromEmail.isEmpty() && !full.plainText && !full.html);
    }

    void snippetDisplayText_data()
    {
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<QString>("shown");
        QTest::newRow("gmail entities")
            << u"It&#39;s &quot;ok&quot; &amp; &lt;b&gt;"_s << u"It's \"ok\" & <b>"_s;
        QTest::newRow("hex and named")
            << u"caf&#xE9; &ccedil;&atilde;o &euro;5"_s << u"café ção €5"_s;
        QTest::newRow("astral") << u"&#128077;"_s << u"👍"_s;
        QTest::newRow("invalid number") << u"a&#0;b&#xD800;c"_s << u"a\uFFFDb\uFFFDc"_s;
        QTest::newRow("not entities")
            << u"R&D; a & b; &unknown; &#;"_s << u"R&D; a & b; &unknown; &#;"_s;
        QTest::newRow("double escaped") << u"&amp;amp;"_s << u"&amp;"_s;
    }

    void snippetDisplayText()
    {
        QFETCH(QString, snippet);
        QFETCH(QString, shown);
        QCOMPARE(vesk::snippetDisplayText(snippet), shown);
    }
};

QTEST_GUILESS_MAIN(TestGmailWire)
#include "tst_gmailwire.moc"
