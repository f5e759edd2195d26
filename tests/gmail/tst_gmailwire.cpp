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
        // Emoji are two UTF-16 units, some with modifiers: cut whole characters
        // only. (A cut of plain text: tst_oauthservice's "long refusal".)
        const QString emoji = u"👍🏽"_s.repeated(201);
        const GmailError error = GmailError::http(GoogleErrorBody::parse(429, emoji.toUtf8()));
        QCOMPARE(error.details(), u"HTTP 429: "_s + emoji.left(200 * 4));
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
        QTest::addColumn<std::optional<QByteArray>>("decoded");
        const auto row = [](const char* name, const char* text, std::optional<QByteArray> bytes) {
            QTest::newRow(name) << QString::fromUtf8(text) << bytes;
        };
        row("multiple of 4", "YWJj", "abc");
        row("remainder 2", "YQ", "a");
        row("remainder 3", "YWI", "ab");
        row("already padded", "YQ==", "a");
        row("remainder 1", "YWJjZ", std::nullopt);
        row("url alphabet", "-_-_", "\xfb\xff\xbf");
        row("white space", "YW Jj", std::nullopt);
        row("non-ascii", "YWéj", std::nullopt);
    }

    void base64UrlPadding()
    {
        QFETCH(QString, text);
        QTEST(decodeBase64Url(text), "decoded");
    }

    void parseAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("email");
        const auto row = [](const char* case_, const char* text, const char* name,
                            const char* email) {
            QTest::newRow(case_) << QString::fromUtf8(text) << QString::fromUtf8(name)
                                 << QString::fromUtf8(email);
        };
        row("name and address", "  Ana Sá <ana@x.pt> ", "Ana Sá", "ana@x.pt");
        row("quoted", "\"Silva, Ana\" <a@x.pt>", "Silva, Ana", "a@x.pt");
        row("bare", "\ta@x.pt", "", "a@x.pt");
        row("brackets only", "<a@x.pt>", "", "a@x.pt");
        row("no closing", "Ana <a@x.pt", "", "Ana <a@x.pt");
        row("reversed", "a> <b", "", "a> <b");
        row("two addresses", "A <a@x.pt>, B <b@x.pt>", "A <a@x.pt>, B", "b@x.pt");
        row("brackets inside quotes", "\"Doe, John <john@x.com>\" <john@x.com>",
            "Doe, John <john@x.com>", "john@x.com");
        row("escaped quotes", "\"Ana \\\"Nita\\\" Sá\" <ana@x.pt>", "Ana \"Nita\" Sá", "ana@x.pt");
        row("escaped backslash", "\"a\\\\b\" <a@x.pt>", "a\\b", "a@x.pt");
        row("quoted words and plain ones", "\"Ana\" Sá <a@x.pt>", "Ana Sá", "a@x.pt");
        row("lone quote from a decoded name", "O\"Neil <o@x.pt>", "O\"Neil", "o@x.pt");
        row("comment form", "bbb@ddd.com (John X. Doe)", "John X. Doe", "bbb@ddd.com");
        row("nested comment", "b@d.pt (Rui \\) (Lisboa))", "Rui ) (Lisboa)", "b@d.pt");
        row("comment not at the end", "b@d.pt (Rui) x", "", "b@d.pt (Rui) x");
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
        const auto row = [](const char* name, const char* charset, const QByteArray& bytes,
                            const QString& text) {
            const QString type =
                charset ? u"text/plain; charset="_s + QLatin1String(charset) : QString();
            QTest::newRow(name) << type << bytes << text;
        };
        const QString para = u"Segue a ata da reunião de terça-feira. "_s.repeated(60);
        row("stray byte in long UTF-8", "\"UTF-8\"", para.toUtf8() + '\xff' + para.toUtf8(),
            para + QChar(0xFFFD) + para);
        row("UTF-8 cut short at the end", "utf-8", "caf\xc3", u"caf\uFFFD"_s);
        row("us-ascii carrying UTF-8", "us-ascii", "Olá, João", u"Olá, João"_s);
        row("us-ascii carrying Latin-1", "us-ascii", "Ol\xe1!", u"Ol\uFFFD!"_s);
        row("no charset, Latin-1 bytes", nullptr, "Ol\xe1, Jo\xe3o", u"Olá, João"_s);
        row("unknown charset name, Windows-1252 bytes", "x-desconhecido", "Pre\xe7o: 5\x80",
            u"Preço: 5€"_s);
        row("declared Windows-1252", "windows-1252", "\x93ol\xe1\x94 \x80", u"“olá” €"_s);
        row("unknown charset name, UTF-8 bytes", "x-desconhecido", "sim \xc3\xa9", u"sim é"_s);
        row("declared charset before UTF-8", "iso-8859-1", "\xc3\xa9", u"Ã©"_s);
        QTest::newRow("no charset, UTF-8") << u"text/plain"_s << u"Olá"_s.toUtf8() << u"Olá"_s;
    }

    void bodyTextSurvivesCharsetTrouble()
    {
        QFETCH(QString, contentType);
        QFETCH(QByteArray, bytes);
        QTEST(plainTextMessage(contentType, bytes).plainText.value_or(u"(none)"_s), "text");
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
        const auto row = [](const char* name, const QString& snippet, const QString& shown) {
            QTest::newRow(name) << snippet << shown;
        };
        row("gmail entities", u"It&#39;s &quot;ok&quot; &amp; &lt;b&gt;"_s, u"It's \"ok\" & <b>"_s);
        row("hex and named", u"caf&#xE9; &ccedil;&atilde;o &euro;5"_s, u"café ção €5"_s);
        row("astral", u"&#128077;"_s, u"👍"_s);
        row("invalid number", u"a&#0;b&#xD800;c"_s, u"a\uFFFDb\uFFFDc"_s);
        row("not entities", u"R&D; a & b; &unknown; &#;"_s, u"R&D; a & b; &unknown; &#;"_s);
        row("double escaped", u"&amp;amp;"_s, u"&amp;"_s);
    }

    void snippetDisplayText()
    {
        QFETCH(QString, snippet);
        QTEST(vesk::snippetDisplayText(snippet), "shown");
    }
};

QTEST_GUILESS_MAIN(TestGmailWire)
#include "tst_gmailwire.moc"
