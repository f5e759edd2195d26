#include "gmail/Base64Url.h"
#include "gmail/GmailError.h"
#include "gmail/WireRecords.h"
#include "model/SnippetText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;

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
    void httpErrorTextCutsAfter200Characters()
    {
        const QString two = QString(200, QChar(0xE9));
        QCOMPARE(GmailError::http(500, two).description(), QStringLiteral("HTTP 500: ") + two);
        QCOMPARE(GmailError::http(500, two + u'x').description(),
                 QStringLiteral("HTTP 500: ") + two);
        QCOMPARE(GmailError::http(404, {}).description(), QStringLiteral("HTTP 404: "));

        // Emoji are two UTF-16 units, some with modifiers: cut whole characters only.
        QString emoji;
        for (int i = 0; i < 201; ++i)
            emoji += QStringLiteral("👍🏽");
        const QString shown = GmailError::http(429, emoji).description().mid(10);
        QCOMPARE(shown, emoji.left(200 * 4));
    }

    void base64UrlPadding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("valid");
        QTest::newRow("multiple of 4") << QStringLiteral("YWJj") << QByteArray("abc") << true;
        QTest::newRow("remainder 2") << QStringLiteral("YQ") << QByteArray("a") << true;
        QTest::newRow("remainder 3") << QStringLiteral("YWI") << QByteArray("ab") << true;
        QTest::newRow("already padded") << QStringLiteral("YQ==") << QByteArray("a") << true;
        QTest::newRow("remainder 1") << QStringLiteral("YWJjZ") << QByteArray() << false;
        QTest::newRow("url alphabet")
            << QStringLiteral("-_-_") << QByteArray("\xfb\xff\xbf") << true;
        QTest::newRow("white space") << QStringLiteral("YW Jj") << QByteArray() << false;
        QTest::newRow("non-ascii") << QStringLiteral("YWéj") << QByteArray() << false;
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
        QTest::newRow("name and address") << QStringLiteral("  Ana Sá <ana@x.pt> ")
                                          << QStringLiteral("Ana Sá") << QStringLiteral("ana@x.pt");
        QTest::newRow("quoted") << QStringLiteral("\"Silva, Ana\" <a@x.pt>")
                                << QStringLiteral("Silva, Ana") << QStringLiteral("a@x.pt");
        QTest::newRow("bare") << QStringLiteral("\ta@x.pt") << QString()
                              << QStringLiteral("a@x.pt");
        QTest::newRow("brackets only")
            << QStringLiteral("<a@x.pt>") << QString() << QStringLiteral("a@x.pt");
        QTest::newRow("no closing")
            << QStringLiteral("Ana <a@x.pt") << QString() << QStringLiteral("Ana <a@x.pt");
        QTest::newRow("reversed") << QStringLiteral("a> <b") << QString()
                                  << QStringLiteral("a> <b");
        QTest::newRow("two addresses")
            << QStringLiteral("A <a@x.pt>, B <b@x.pt>") << QStringLiteral("A <a@x.pt>, B")
            << QStringLiteral("b@x.pt");
        QTest::newRow("brackets inside quotes")
            << QStringLiteral("\"Doe, John <john@x.com>\" <john@x.com>")
            << QStringLiteral("Doe, John <john@x.com>") << QStringLiteral("john@x.com");
        QTest::newRow("escaped quotes")
            << QStringLiteral("\"Ana \\\"Nita\\\" Sá\" <ana@x.pt>")
            << QStringLiteral("Ana \"Nita\" Sá") << QStringLiteral("ana@x.pt");
        QTest::newRow("escaped backslash") << QStringLiteral("\"a\\\\b\" <a@x.pt>")
                                           << QStringLiteral("a\\b") << QStringLiteral("a@x.pt");
        QTest::newRow("quoted words and plain ones")
            << QStringLiteral("\"Ana\" Sá <a@x.pt>") << QStringLiteral("Ana Sá")
            << QStringLiteral("a@x.pt");
        QTest::newRow("lone quote from a decoded name")
            << QStringLiteral("O\"Neil <o@x.pt>") << QStringLiteral("O\"Neil")
            << QStringLiteral("o@x.pt");
        QTest::newRow("comment form")
            << QStringLiteral("bbb@ddd.com (John X. Doe)") << QStringLiteral("John X. Doe")
            << QStringLiteral("bbb@ddd.com");
        QTest::newRow("nested comment")
            << QStringLiteral("b@d.pt (Rui \\) (Lisboa))") << QStringLiteral("Rui ) (Lisboa)")
            << QStringLiteral("b@d.pt");
        QTest::newRow("comment not at the end")
            << QStringLiteral("b@d.pt (Rui) x") << QString() << QStringLiteral("b@d.pt (Rui) x");
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
        const QString para = QStringLiteral("Segue a ata da reunião de terça-feira. ").repeated(60);
        QTest::newRow("stray byte in long UTF-8")
            << QStringLiteral("text/plain; charset=\"UTF-8\"")
            << para.toUtf8() + '\xff' + para.toUtf8() << para + QChar(0xFFFD) + para;
        QTest::newRow("UTF-8 cut short at the end")
            << QStringLiteral("text/plain; charset=utf-8") << QByteArray("caf\xc3")
            << QStringLiteral("caf\uFFFD");
        QTest::newRow("us-ascii carrying UTF-8")
            << QStringLiteral("text/plain; charset=us-ascii")
            << QStringLiteral("Olá, João").toUtf8() << QStringLiteral("Olá, João");
        QTest::newRow("us-ascii carrying Latin-1")
            << QStringLiteral("text/plain; charset=us-ascii") << QByteArray("Ol\xe1!")
            << QStringLiteral("Ol\uFFFD!");
        QTest::newRow("no charset, Latin-1 bytes")
            << QString() << QByteArray("Ol\xe1, Jo\xe3o") << QStringLiteral("Olá, João");
        QTest::newRow("no charset, UTF-8")
            << QStringLiteral("text/plain") << QStringLiteral("Olá").toUtf8()
            << QStringLiteral("Olá");
        QTest::newRow("unknown charset name, Windows-1252 bytes")
            << QStringLiteral("text/plain; charset=x-desconhecido") << QByteArray("Pre\xe7o: 5\x80")
            << QStringLiteral("Preço: 5€");
        QTest::newRow("declared charset before UTF-8")
            << QStringLiteral("text/plain; charset=iso-8859-1") << QByteArray("\xc3\xa9")
            << QStringLiteral("Ã©");
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
            QCOMPARE(error.description(), QStringLiteral("Descodificação: ") + failure);
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
        QCOMPARE(summary.subject(), QStringLiteral("Primeiro"));
        QCOMPARE(summary.fromName(), QStringLiteral("Zé"));
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
        QTest::newRow("gmail entities") << QStringLiteral("It&#39;s &quot;ok&quot; &amp; &lt;b&gt;")
                                        << QStringLiteral("It's \"ok\" & <b>");
        QTest::newRow("hex and named") << QStringLiteral("caf&#xE9; &ccedil;&atilde;o &euro;5")
                                       << QStringLiteral("café ção €5");
        QTest::newRow("astral") << QStringLiteral("&#128077;") << QStringLiteral("👍");
        QTest::newRow("invalid number")
            << QStringLiteral("a&#0;b&#xD800;c") << QStringLiteral("a\uFFFDb\uFFFDc");
        QTest::newRow("not entities") << QStringLiteral("R&D; a & b; &unknown; &#;")
                                      << QStringLiteral("R&D; a & b; &unknown; &#;");
        QTest::newRow("double escaped") << QStringLiteral("&amp;amp;") << QStringLiteral("&amp;");
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
