#include "ParsedMessage.h"
#include "compose/MIMEBuilder.h"
#include "gmail/Base64Url.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QList<vesk::OutgoingAttachment>)

namespace {

const QRegularExpression
    boundaryForm(u"^vesk-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_s);

QByteArray someBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

QByteArray everyByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

// Every line ends in CR LF but the last, which has no line end (unless the
// body is empty: then the message ends in the blank line after the headers);
// header lines stay within RFC 5322's 998 characters, content within 76.
void checkLineStructure(const QByteArray& message)
{
    QVERIFY(!message.endsWith('\n') || message.indexOf("\r\n\r\n") == message.size() - 4);
    const QByteArrayList all = message.split('\n');
    bool inContent = false;
    for (qsizetype i = 0; i < all.size(); ++i) {
        QByteArray line = all[i];
        if (i + 1 < all.size()) {
            QVERIFY2(line.endsWith('\r'), "a line feed without a carriage return");
            line.chop(1);
        }
        QVERIFY2(!line.contains('\r'), "a carriage return without a line feed");
        if (line.startsWith("--vesk-"))
            inContent = false;
        else if (line.isEmpty())
            inContent = true;
        QVERIFY2(line.size() <= (inContent ? 76 : 998), line.left(80).constData());
    }
}

QByteArrayList headerBlock(const QByteArray& message)
{
    return message.left(message.indexOf("\r\n\r\n")).split('\n');
}

} // namespace

class TestMIMEBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsBackAsWritten_data()
    {
        QTest::addColumn<QStringList>("to");
        QTest::addColumn<QStringList>("cc");
        QTest::addColumn<QStringList>("bcc");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QList<OutgoingAttachment>>("attachments");
        QTest::addColumn<QString>("replyTo"); // null: no reply headers
        // What a reader must see: the subject and, per attachment, the name
        // and media type (inputs with line breaks or bad types differ).
        QTest::addColumn<QString>("shownSubject");
        QTest::addColumn<QStringList>("shownNames");
        QTest::addColumn<QStringList>("shownTypes");

        const QString olaBody = u"Olá Ana,\n\naté amanhã — 5 € 👍🏽\n"_s.repeated(20);
        QTest::newRow("plain") << QStringList{u"rui@x.pt"_s} << QStringList() << QStringList()
                               << u"Hello"_s << u"Hi\nthere"_s << QList<OutgoingAttachment>()
                               << QString() << u"Hello"_s << QStringList() << QStringList();
        QTest::newRow("all empty") << QStringList() << QStringList() << QStringList() << QString()
                                   << QString() << QList<OutgoingAttachment>() << QString()
                                   << QString() << QStringList() << QStringList();
        QTest::newRow("portuguese, copies and reply")
            << QStringList{u"Ana Sá <ana@x.pt>"_s, u"\"Silva, Rui\" <rui@x.pt>"_s}
            << QStringList{u"eva@x.pt"_s, u"ze@x.pt"_s} << QStringList{u"oculto@x.pt"_s} << u"Olá"_s
            << olaBody << QList<OutgoingAttachment>() << u"<m1@mail.gmail.com>"_s << u"Olá"_s
            << QStringList() << QStringList();
        QTest::newRow("long non-ascii subject")
            << QStringList{u"rui@x.pt"_s} << QStringList() << QStringList()
            << u"Relatório de avaliação "_s.repeated(12) << QString() << QList<OutgoingAttachment>()
            << QString() << u"Relatório de avaliação "_s.repeated(12) << QStringList()
            << QStringList();
        QTest::newRow("line breaks in headers")
            << QStringList{u"rui@x.pt\r\nX-Injected: yes"_s}
            << QStringList{u"a@x.pt\nBcc: b@x.pt"_s} << QStringList() << u"Olá\r\nBcc: eve@x.pt"_s
            << u"corpo"_s
            << QList<OutgoingAttachment>{{u"a\r\nX-Part: 1.txt"_s, u"text/plain"_s, "x"}}
            << u"<m1@x>\r\nX-Reply: 1"_s << u"Olá  Bcc: eve@x.pt"_s
            << QStringList{u"a  X-Part: 1.txt"_s} << QStringList{u"text/plain"_s};
        QTest::newRow("ascii names")
            << QStringList{u"rui@x.pt"_s} << QStringList() << QStringList() << u"Ficheiros"_s
            << olaBody
            << QList<OutgoingAttachment>{{u"report.pdf"_s, u"application/pdf"_s, everyByte()},
                                         {u"notas v2 (final).txt"_s, u"text/plain"_s, {}},
                                         {QString(), u"application/octet-stream"_s, "abc"}}
            << QString() << u"Ficheiros"_s
            << QStringList{u"report.pdf"_s, u"notas v2 (final).txt"_s, QString()}
            << QStringList{u"application/pdf"_s, u"text/plain"_s, u"application/octet-stream"_s};
        QTest::newRow("names needing encoding")
            << QStringList{u"rui@x.pt"_s} << QStringList() << QStringList() << u"Anexos"_s
            << QString()
            << QList<OutgoingAttachment>{{u"Relatório.pdf"_s, u"application/pdf"_s,
                                          someBytes(5000, 1)},
                                         {u"diz \"olá\".txt"_s, u"text/plain"_s, "ola"},
                                         {u"C:\\temp\\a.txt"_s, u"text/plain"_s, "a"},
                                         {u"tab\there.txt"_s, u"text/plain"_s, "t"},
                                         {u"👍🏽 foto.png"_s, u"image/png"_s, someBytes(77, 2)},
                                         {u"Conceição e Sebastião "_s.repeated(8) + u".docx"_s,
                                          MIMEBuilder::mimeType(u"x.docx"_s), someBytes(1000, 3)}}
            << QString() << u"Anexos"_s
            << QStringList{u"Relatório.pdf"_s,
                           u"diz \"olá\".txt"_s,
                           u"C:\\temp\\a.txt"_s,
                           u"tab\there.txt"_s,
                           u"👍🏽 foto.png"_s,
                           u"Conceição e Sebastião "_s.repeated(8) + u".docx"_s}
            << QStringList{u"application/pdf"_s, u"text/plain"_s,
                           u"text/plain"_s,      u"text/plain"_s,
                           u"image/png"_s,       MIMEBuilder::mimeType(u"x.docx"_s)};
        QTest::newRow("bad media types")
            << QStringList{u"rui@x.pt"_s} << QStringList() << QStringList() << u"Tipos"_s << u"x"_s
            << QList<OutgoingAttachment>{{u"a.bin"_s, QString(), "1"},
                                         {u"b.bin"_s, u"text/html; charset=x"_s, "2"},
                                         {u"c.bin"_s, u"image/png\r\nX-Evil: 1"_s, "3"},
                                         {u"d.png"_s, u" image/png "_s, "4"}}
            << QString() << u"Tipos"_s
            << QStringList{u"a.bin"_s, u"b.bin"_s, u"c.bin"_s, u"d.png"_s}
            << QStringList{u"application/octet-stream"_s, u"application/octet-stream"_s,
                           u"application/octet-stream"_s, u"image/png"_s};
    }

    void readsBackAsWritten()
    {
        QFETCH(QStringList, to);
        QFETCH(QStringList, cc);
        QFETCH(QStringList, bcc);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QList<OutgoingAttachment>, attachments);
        QFETCH(QString, replyTo);
        QFETCH(QString, shownSubject);
        QFETCH(QStringList, shownNames);
        QFETCH(QStringList, shownTypes);

        const auto reply = replyTo.isNull() ? std::nullopt : std::optional<QString>(replyTo);
        const auto references =
            replyTo.isNull() ? std::nullopt : std::optional<QString>(u"<m0@x> "_s + replyTo);
        const QByteArray message = MIMEBuilder::buildMessage(u"me@x.pt"_s, to, cc, bcc, subject,
                                                             body, attachments, reply, references);
        checkLineStructure(message);
        if (QTest::currentTestFailed())
            return;
        const ParsedMessage parsed = parseMessage(message);
        QVERIFY(parsed.parsed);
        // Display names go out as UTF-8, and a field whose line break became a
        // space is no valid address list; GMime reads both and says so.
        // Anything else it reports is a fault of ours.
        for (const QString& problem : parsed.problems) {
            QVERIFY2(problem == u"GMIME_WARN_UNENCODED_8BIT_HEADER"_s ||
                         problem == u"GMIME_WARN_INVALID_ADDRESS_LIST"_s,
                     qPrintable(problem));
        }

        QStringList names{u"From"_s, u"To"_s};
        if (!cc.isEmpty())
            names << u"Cc"_s;
        if (!bcc.isEmpty())
            names << u"Bcc"_s;
        names << u"Subject"_s;
        if (reply)
            names << u"In-Reply-To"_s << u"References"_s;
        names << u"MIME-Version"_s << u"Content-Type"_s;
        if (attachments.isEmpty())
            names << u"Content-Transfer-Encoding"_s;
        QStringList seen;
        for (const auto& header : parsed.headers)
            seen << header.first;
        QCOMPARE(seen, names);

        const auto oneLine = [](QString text) {
            return text.replace(u'\r', u' ').replace(u'\n', u' ');
        };
        QCOMPARE(parsed.header(u"From"_s), u"me@x.pt"_s);
        QCOMPARE(parsed.header(u"To"_s), oneLine(to.join(u", "_s)));
        QCOMPARE(parsed.header(u"Cc"_s), oneLine(cc.join(u", "_s)));
        QCOMPARE(parsed.header(u"Bcc"_s), oneLine(bcc.join(u", "_s)));
        QCOMPARE(parsed.subject, shownSubject);
        QCOMPARE(parsed.header(u"In-Reply-To"_s), reply ? oneLine(*reply) : QString());
        QCOMPARE(parsed.header(u"References"_s), references ? oneLine(*references) : QString());
        QCOMPARE(parsed.header(u"MIME-Version"_s), u"1.0"_s);

        QCOMPARE(parsed.parts.size(), attachments.size() + 1);
        QCOMPARE(parsed.boundary.isEmpty(), attachments.isEmpty());
        if (!attachments.isEmpty())
            QVERIFY2(boundaryForm.match(parsed.boundary).hasMatch(), qPrintable(parsed.boundary));
        const ParsedPart& text = parsed.parts.first();
        QCOMPARE(text.mediaType, u"text/plain"_s);
        QCOMPARE(text.charset, u"UTF-8"_s);
        QCOMPARE(text.transferEncoding, u"base64"_s);
        QCOMPARE(text.disposition, QString());
        QCOMPARE(text.content, body.toUtf8());
        for (qsizetype i = 0; i < attachments.size(); ++i) {
            const ParsedPart& part = parsed.parts[i + 1];
            QCOMPARE(part.mediaType, shownTypes[i]);
            QCOMPARE(part.disposition, u"attachment"_s);
            QCOMPARE(part.filename, shownNames[i]);
            QCOMPARE(part.nameParameter, shownNames[i]);
            QCOMPARE(part.transferEncoding, u"base64"_s);
            QCOMPARE(part.content, attachments[i].data);
        }
    }

    void writesHeaderLinesExactly()
    {
        const QByteArray reply =
            MIMEBuilder::buildMessage(u"me@x.pt"_s, {u"ana"_s, u"rui"_s}, {}, {}, u"Olá"_s, u"oi"_s,
                                      {}, u"<m2@x>"_s, u"<m1@x> <m2@x>"_s);
        QCOMPARE(
            headerBlock(reply),
            QByteArrayList({"From: me@x.pt\r", "To: ana, rui\r", "Subject: =?UTF-8?B?T2zDoQ==?=\r",
                            "In-Reply-To: <m2@x>\r", "References: <m1@x> <m2@x>\r",
                            "MIME-Version: 1.0\r", "Content-Type: text/plain; charset=UTF-8\r",
                            "Content-Transfer-Encoding: base64"}));
        QVERIFY(reply.endsWith("\r\n\r\nb2k="));
        QVERIFY(!reply.contains("boundary"));

        const QByteArray plain =
            MIMEBuilder::buildMessage(u"me@x.pt"_s, {}, {u"c@x"_s}, {u"b@x"_s}, u"Hello"_s, {},
                                      {{u"a.txt"_s, u"text/plain"_s, "a"}});
        const QByteArrayList headers = headerBlock(plain);
        QCOMPARE(headers.mid(0, 6),
                 QByteArrayList({"From: me@x.pt\r", "To: \r", "Cc: c@x\r", "Bcc: b@x\r",
                                 "Subject: Hello\r", "MIME-Version: 1.0\r"}));
        QCOMPARE(headers.size(), 7);
        QVERIFY(headers[6].startsWith("Content-Type: multipart/mixed; boundary=\"vesk-"));
        QVERIFY(headers[6].endsWith('"'));
        const QByteArray boundary = headers[6].mid(headers[6].indexOf('"') + 1).chopped(1);
        QVERIFY(boundaryForm.match(QString::fromLatin1(boundary)).hasMatch());
        // No preamble, no epilogue, and an empty body is still a text part.
        const QByteArray multipart = plain.mid(plain.indexOf("\r\n\r\n") + 4);
        QCOMPARE(multipart, "--" + boundary +
                                "\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                                "Content-Transfer-Encoding: base64\r\n\r\n\r\n--" +
                                boundary +
                                "\r\nContent-Type: text/plain; name=\"a.txt\"\r\n"
                                "Content-Disposition: attachment; filename=\"a.txt\"\r\n"
                                "Content-Transfer-Encoding: base64\r\n\r\nYQ==\r\n--" +
                                boundary + "--");
    }

    void writesAttachmentNames_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QByteArray>("headers");
        QTest::newRow("ascii") << u"a b (1).pdf"_s
                               << QByteArray(
                                      "Content-Type: application/pdf; name=\"a b (1).pdf\"\r\n"
                                      "Content-Disposition: attachment; filename=\"a b "
                                      "(1).pdf\"\r\n");
        QTest::newRow("non-ascii")
            << u"Relatório.pdf"_s
            << QByteArray(
                   "Content-Type: application/pdf; name=\"=?UTF-8?B?UmVsYXTDs3Jpby5wZGY=?=\"\r\n"
                   "Content-Disposition: attachment; filename*=UTF-8''Relat%C3%B3rio.pdf\r\n");
        QTest::newRow("quote") << u"a\"b.pdf"_s
                               << QByteArray("Content-Type: application/pdf; "
                                             "name*=UTF-8''a%22b.pdf\r\n"
                                             "Content-Disposition: attachment; "
                                             "filename*=UTF-8''a%22b.pdf\r\n");
        QTest::newRow("long")
            << u"ééééééééééééééé.pdf"_s
            << QByteArray(
                   "Content-Type: application/pdf; "
                   "name=\"=?UTF-8?B?w6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpLnBkZg==?=\"\r\n"
                   "Content-Disposition: attachment;\r\n"
                   " filename*0*=UTF-8''%C3%A9%C3%A9%C3%A9%C3%A9%C3%A9%"
                   "C3%A9%C3%A9%C3%A9%C3%A9%C3%A9;\r\n"
                   " filename*1*=%C3%A9%C3%A9%C3%A9%C3%A9%C3%A9.pdf\r\n");
    }

    void writesAttachmentNames()
    {
        QFETCH(QString, filename);
        QFETCH(QByteArray, headers);
        const QByteArray message = MIMEBuilder::buildMessage(
            u"me@x.pt"_s, {u"a@x"_s}, {}, {}, u"s"_s, {}, {{filename, u"application/pdf"_s, "%"}});
        QVERIFY2(message.contains(
                     QByteArray("\r\n" + headers + "Content-Transfer-Encoding: base64\r\n")),
                 message.constData());
    }

    void rawIsBase64UrlOfTheMessage()
    {
        const QList<OutgoingAttachment> files{{u"a.bin"_s, u"image/png"_s, someBytes(3000, 4)}};
        for (int bodyLength = 0; bodyLength < 6; ++bodyLength) {
            const QString body = u"ção?>~"_s.left(bodyLength);
            const QString raw =
                MIMEBuilder::buildRaw(u"me@x.pt"_s, {u"a@x"_s}, {}, {}, u"ü"_s, body,
                                      bodyLength % 2 ? files : QList<OutgoingAttachment>());
            QVERIFY(QRegularExpression(u"^[A-Za-z0-9_-]+$"_s).match(raw).hasMatch());
            const auto decoded = decodeBase64Url(raw);
            QVERIFY(decoded);
            if (bodyLength % 2 == 0) {
                QCOMPARE(*decoded, MIMEBuilder::buildMessage(u"me@x.pt"_s, {u"a@x"_s}, {}, {},
                                                             u"ü"_s, body, {}));
            }
            checkLineStructure(*decoded);
            if (QTest::currentTestFailed())
                return;
            const ParsedMessage parsed = parseMessage(*decoded);
            QCOMPARE(parsed.parts.first().content, body.toUtf8());
            if (bodyLength % 2)
                QCOMPARE(parsed.parts.last().content, files.first().data);
        }
        QCOMPARE(MIMEBuilder::encodeBase64Url({}), QString());
        QCOMPARE(MIMEBuilder::encodeBase64Url("a"), u"YQ"_s);
        QCOMPARE(MIMEBuilder::encodeBase64Url("ab"), u"YWI"_s);
        QCOMPARE(MIMEBuilder::encodeBase64Url("abc"), u"YWJj"_s);
        QCOMPARE(MIMEBuilder::encodeBase64Url("\xfb\xff\xbf\xfb"), u"-_-_-w"_s);
    }

    void eachMessageHasItsOwnBoundary()
    {
        const QList<OutgoingAttachment> files{{u"a.txt"_s, u"text/plain"_s, "same"}};
        const auto boundaryOf = [&] {
            return parseMessage(MIMEBuilder::buildMessage(u"me@x"_s, {}, {}, {}, {}, {}, files))
                .boundary;
        };
        const QString first = boundaryOf();
        const QString second = boundaryOf();
        QVERIFY(boundaryForm.match(first).hasMatch());
        QVERIFY(boundaryForm.match(second).hasMatch());
        QVERIFY(first != second);
    }

    void carriesTheLargestSendableAttachment()
    {
        const OutgoingAttachment large{u"grande.zip"_s, u"application/zip"_s,
                                       someBytes(26'214'400, 5)};
        const QString raw =
            MIMEBuilder::buildRaw(u"me@x.pt"_s, {u"a@x"_s}, {}, {}, u"s"_s, u"b"_s, {large});
        const auto message = decodeBase64Url(raw);
        QVERIFY(message);
        checkLineStructure(*message);
        if (QTest::currentTestFailed())
            return;
        const ParsedMessage parsed = parseMessage(*message);
        QCOMPARE(parsed.parts.size(), 2);
        QVERIFY(parsed.parts.last().content == large.data);
    }

    void foldsBase64_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("lineLengths");
        QTest::newRow("empty") << 0 << QList<int>();
        QTest::newRow("short") << 4 << QList<int>{4};
        QTest::newRow("one line") << 76 << QList<int>{76};
        QTest::newRow("two lines") << 152 << QList<int>{76, 76};
        QTest::newRow("one over") << 153 << QList<int>{76, 76, 1};
    }

    void foldsBase64()
    {
        QFETCH(int, length);
        QFETCH(QList<int>, lineLengths);
        const QByteArray base64 = someBytes(length, 6).toBase64().left(length);
        const QByteArray folded = MIMEBuilder::foldBase64(base64);
        QList<int> seen;
        for (const QByteArray& line : folded.split('\n'))
            seen.append(int(line.endsWith('\r') ? line.size() - 1 : line.size()));
        QCOMPARE(folded.isEmpty() ? QList<int>() : seen, lineLengths);
        QCOMPARE(QByteArray(folded).replace("\r\n", ""), base64);
        QVERIFY(!folded.endsWith('\n'));

        // A body of 114 bytes has 152 base64 characters: two full lines.
        const QByteArray message =
            MIMEBuilder::buildMessage(u"me@x"_s, {}, {}, {}, {}, QString(114, u'a'), {});
        QCOMPARE(message.mid(message.indexOf("\r\n\r\n") + 4).split('\n').size(), 2);
    }

    void splitsAddressFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only separators") << u" , ,\t,"_s << QStringList();
        QTest::newRow("blank pieces") << u" ana , , rui,"_s << QStringList{u"ana"_s, u"rui"_s};
        QTest::newRow("duplicates kept")
            << u"a@x,b@x,a@x"_s << QStringList{u"a@x"_s, u"b@x"_s, u"a@x"_s};
        QTest::newRow("semicolon") << u"a@x; b@x, c@x"_s << QStringList{u"a@x; b@x"_s, u"c@x"_s};
        QTest::newRow("tabs trimmed, line breaks kept")
            << u"\ta@x\t,\nb@x\n"_s << QStringList{u"a@x"_s, u"\nb@x\n"_s};
        QTest::newRow("quoted comma") << u"\"Silva, Ana\" <a@x>, Rui <r@x>"_s
                                      << QStringList{u"\"Silva, Ana\" <a@x>"_s, u"Rui <r@x>"_s};
        QTest::newRow("escaped quote")
            << u"\"a \\\", b\" <a@x>,c@x"_s << QStringList{u"\"a \\\", b\" <a@x>"_s, u"c@x"_s};
        QTest::newRow("stray quote") << u"a\"@x, b@x"_s << QStringList{u"a\"@x"_s, u"b@x"_s};
        QTest::newRow("quote open at the end")
            << u"a@x, \"b, c\\"_s << QStringList{u"a@x"_s, u"\"b"_s, u"c\\"_s};
    }

    void splitsAddressFields()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, addresses);
        QCOMPARE(MIMEBuilder::splitAddresses(text), addresses);
    }

    void namesMediaTypes_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("type");
        const QString octets = u"application/octet-stream"_s;
        QTest::newRow("upper case") << u"Relatório.PDF"_s << u"application/pdf"_s;
        QTest::newRow("last extension only") << u"archive.tar.gz"_s << octets;
        QTest::newRow("no extension") << u"README"_s << octets;
        QTest::newRow("empty") << QString() << octets;
        QTest::newRow("trailing dot") << u"photo."_s << octets;
        QTest::newRow("dot in folder") << u"/tmp/a.pdf/notes"_s << octets;
        QTest::newRow("path") << u"/home/ana/Fotos/IMG.JPEG"_s << u"image/jpeg"_s;
        QTest::newRow("docx") << u"a.docx"_s
                              << u"application/vnd.openxmlformats-officedocument."
                                 u"wordprocessingml.document"_s;
    }

    void namesMediaTypes()
    {
        QFETCH(QString, filename);
        QFETCH(QString, type);
        QCOMPARE(MIMEBuilder::mimeType(filename), type);
    }
};

QTEST_GUILESS_MAIN(TestMIMEBuilder)
#include "tst_mimebuilder.moc"
