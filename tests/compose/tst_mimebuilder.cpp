#include "ParsedMessage.h"
#include "ValuesOf.h"
#include "compose/MIMEBuilder.h"
#include "compose/OutgoingAddress.h"
#include "gmail/Base64Url.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>
#include <QTextBoundaryFinder>

#include <numeric>
#include <optional>

using namespace vesk;
using namespace vesk::test;
using namespace Qt::StringLiterals;

namespace {

/// A message as typed, and what a reader must see where that differs: the
/// subject and, per attachment, the name and media type (inputs with line
/// breaks or bad types). A null replyTo: no reply headers.
struct Written
{
    QStringList to{}, cc{}, bcc{};
    QString subject{}, body{};
    QList<OutgoingAttachment> files{};
    QString replyTo{}, shownSubject{};
    QStringList shownNames{}, shownTypes{};
};

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
    QByteArray bytes(256, Qt::Uninitialized);
    std::iota(bytes.begin(), bytes.end(), char(0));
    return bytes;
}

// A header line may pass 78 characters only when it is one token that
// cannot be folded (a long media type, say).
bool hasFoldPoint(const QByteArray& line)
{
    const bool continuation = line.startsWith(' ') || line.startsWith('\t');
    const QByteArray value = (continuation ? line : line.mid(line.indexOf(':') + 1)).trimmed();
    return value.contains(' ') || value.contains('\t');
}

// The first fault in the message's lines: every line but the last (or the
// blank one ending the headers of an empty body) ends in CR LF, content lines
// keep to 76 characters, and header lines are 7-bit, within 78 characters
// where they could fold and never over RFC 5322's 998.
QByteArray lineFault(const QByteArray& message)
{
    if (message.endsWith('\n') && message.indexOf("\r\n\r\n") != message.size() - 4)
        return "a line end after the body";
    const QByteArrayList all = message.split('\n');
    bool inContent = false;
    for (qsizetype i = 0; i < all.size(); ++i) {
        QByteArray line = all[i];
        if (i + 1 < all.size()) {
            if (!line.endsWith('\r'))
                return "a line feed without a carriage return";
            line.chop(1);
        }
        if (line.contains('\r'))
            return "a carriage return without a line feed";
        if (line.startsWith("--vesk-")) {
            inContent = false;
            continue;
        }
        if (line.isEmpty())
            inContent = true;
        const bool fits =
            inContent ? line.size() <= 76
                      : std::none_of(line.begin(), line.end(), [](char c) { return c & 0x80; }) &&
                            line.size() <= 998 && (line.size() <= 78 || !hasFoldPoint(line));
        if (!fits)
            return line.left(80);
    }
    return {};
}

// The text of one RFC 2047 encoded word, which must be whole UTF-8 on its
// own and at most 75 characters long.
std::optional<QString> decodedWord(const QByteArray& word)
{
    static const QRegularExpression form(u"^=\\?UTF-8\\?([BQ])\\?([^?]*)\\?=$"_s);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(word));
    if (word.size() > 75 || !match.hasMatch())
        return std::nullopt;
    QByteArray bytes = match.captured(2).toLatin1();
    if (match.captured(1) == u"B"_s) {
        bytes = QByteArray::fromBase64(bytes);
    } else {
        bytes = QByteArray::fromPercentEncoding(bytes.replace('_', ' ').replace('=', '%'));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

// The unfolded value of the first header line block named `name`.
QByteArray rawHeader(const QByteArray& message, const QByteArray& name)
{
    const QByteArray head = "\r\n" + message.left(message.indexOf("\r\n\r\n"));
    const qsizetype start = head.indexOf(QByteArray("\r\n" + name + ": "));
    if (start < 0)
        return {};
    QByteArray value;
    for (const QByteArray& line : head.mid(start + 2).split('\n')) {
        const QByteArray text = line.endsWith('\r') ? line.chopped(1) : line;
        if (!value.isEmpty() && !text.startsWith(' '))
            break;
        value += value.isEmpty() ? text.mid(name.size() + 2) : text;
    }
    return value;
}

// The message as GMime reads it; a line fault comes first among its problems.
ParsedMessage readBack(const QByteArray& message)
{
    ParsedMessage parsed = parseMessage(message);
    if (const QByteArray fault = lineFault(message); !fault.isEmpty())
        parsed.problems.prepend(u"line: "_s + QString::fromLatin1(fault));
    return parsed;
}

} // namespace

Q_DECLARE_METATYPE(Written)

class TestMIMEBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsBackAsWritten_data()
    {
        QTest::addColumn<Written>("written");
        const auto row = [](const char* name, const Written& written) {
            QTest::newRow(name) << written;
        };
        const QString olaBody = u"Olá Ana,\n\naté amanhã — 5 € 👍🏽\n"_s.repeated(20);
        row("plain", {.to = {u"rui@x.pt"_s}, .subject = u"Hello"_s, .body = u"Hi\nthere"_s});
        row("all empty", {});
        row("portuguese, copies and reply",
            {.to = {u"Ana Sá <ana@x.pt>"_s, u"\"Silva, Rui\" <rui@x.pt>"_s},
             .cc = {u"eva@x.pt"_s, u"ze@x.pt"_s},
             .bcc = {u"oculto@x.pt"_s},
             .subject = u"Olá"_s,
             .body = olaBody,
             .replyTo = u"<m1@mail.gmail.com>"_s});
        row("line breaks in headers", {.to = {u"rui@x.pt"_s},
                                       .cc = {u"a@x.pt"_s},
                                       .subject = u"Olá\r\nBcc: eve@x.pt"_s,
                                       .body = u"corpo"_s,
                                       .files = {{u"a\r\nX-Part: 1.txt"_s, u"text/plain"_s, "x"}},
                                       .replyTo = u"<m1@x>\r\nX-Reply: 1"_s,
                                       .shownSubject = u"Olá  Bcc: eve@x.pt"_s,
                                       .shownNames = {u"a  X-Part: 1.txt"_s}});
        row("ascii names", {.to = {u"rui@x.pt"_s},
                            .subject = u"Ficheiros"_s,
                            .body = olaBody,
                            .files = {{u"report.pdf"_s, u"application/pdf"_s, everyByte()},
                                      {u"notas v2 (final).txt"_s, u"text/plain"_s, {}},
                                      {QString(), u"application/octet-stream"_s, "abc"}}});
        row("names needing encoding",
            {.to = {u"rui@x.pt"_s},
             .subject = u"Anexos"_s,
             .files = {{u"Relatório.pdf"_s, u"application/pdf"_s, someBytes(5000, 1)},
                       {u"diz \"olá\".txt"_s, u"text/plain"_s, "ola"},
                       {u"C:\\temp\\a.txt"_s, u"text/plain"_s, "a"},
                       {u"tab\there.txt"_s, u"text/plain"_s, "t"},
                       {u"👍🏽 foto.png"_s, u"image/png"_s, someBytes(77, 2)},
                       {u"Conceição e Sebastião "_s.repeated(8) + u".docx"_s,
                        MIMEBuilder::mimeType(u"x.docx"_s), someBytes(1000, 3)}}});
        const QString octets = u"application/octet-stream"_s;
        row("bad media types", {.to = {u"rui@x.pt"_s},
                                .subject = u"Tipos"_s,
                                .body = u"x"_s,
                                .files = {{u"a.bin"_s, QString(), "1"},
                                          {u"b.bin"_s, u"text/html; charset=x"_s, "2"},
                                          {u"c.bin"_s, u"image/png\r\nX-Evil: 1"_s, "3"},
                                          {u"d.png"_s, u" image/png "_s, "4"}},
                                .shownTypes = {octets, octets, octets, u"image/png"_s}});
    }

    void readsBackAsWritten()
    {
        QFETCH(Written, written);
        const auto& [to, cc, bcc, subject, body, attachments, replyTo, shownSubject, shownNames,
                     shownTypes] = written;
        const auto reply = replyTo.isNull() ? std::nullopt : std::optional<QString>(replyTo);
        const auto references =
            replyTo.isNull() ? std::nullopt : std::optional<QString>(u"<m0@x> "_s + replyTo);
        const QByteArray message = MIMEBuilder::buildMessage(u"me@x.pt"_s, to, cc, bcc, subject,
                                                             body, attachments, reply, references);
        const ParsedMessage parsed = readBack(message);
        QVERIFY(parsed.parsed);
        QCOMPARE(parsed.problems, QStringList());

        // Each header once, in this order, only when it has something to say.
        const auto when = [](bool present, const QStringList& names) {
            return present ? names : QStringList();
        };
        const QStringList names = QStringList{u"From"_s, u"To"_s} + when(!cc.isEmpty(), {u"Cc"_s}) +
                                  when(!bcc.isEmpty(), {u"Bcc"_s}) + QStringList{u"Subject"_s} +
                                  when(bool(reply), {u"In-Reply-To"_s, u"References"_s}) +
                                  QStringList{u"MIME-Version"_s, u"Content-Type"_s} +
                                  when(attachments.isEmpty(), {u"Content-Transfer-Encoding"_s});
        QCOMPARE(test::valuesOf(parsed.headers, [](const auto& header) { return header.first; }),
                 names);

        // GMime's decoded text of each header: names as typed, though encoded.
        // Message ids are tokens: the blanks between them may change.
        const auto ids = [](const auto& text) { return text ? text->simplified() : QString(); };
        const QList<QPair<QString, QString>> shown{
            {u"From"_s, u"me@x.pt"_s},      {u"To"_s, to.join(u", "_s)},
            {u"Cc"_s, cc.join(u", "_s)},    {u"Bcc"_s, bcc.join(u", "_s)},
            {u"In-Reply-To"_s, ids(reply)}, {u"References"_s, ids(references)},
            {u"MIME-Version"_s, u"1.0"_s}};
        for (const auto& [name, value] : shown)
            QCOMPARE(parsed.header(name), value);
        QCOMPARE(parsed.subject, shownSubject.isNull() ? subject : shownSubject);

        QCOMPARE(parsed.parts.size(), attachments.size() + 1);
        const ParsedPart& text = parsed.parts.first();
        QCOMPARE(text.mediaType, u"text/plain"_s);
        QCOMPARE(text.charset, u"UTF-8"_s);
        QCOMPARE(text.transferEncoding, u"base64"_s);
        QCOMPARE(text.disposition, QString());
        QCOMPARE(text.content, body.toUtf8());
        for (qsizetype i = 0; i < attachments.size(); ++i) {
            const ParsedPart& part = parsed.parts[i + 1];
            QCOMPARE(part.mediaType, shownTypes.value(i, attachments[i].mimeType));
            QCOMPARE(part.disposition, u"attachment"_s);
            QCOMPARE(part.filename, shownNames.value(i, attachments[i].filename));
            QCOMPARE(part.nameParameter, part.filename);
            QCOMPARE(part.transferEncoding, u"base64"_s);
            QCOMPARE(part.content, attachments[i].data);
        }
    }

    // Each header, as GMime reads it back, shows what was typed; encoded
    // words are whole UTF-8, and a subject's are cut between graphemes.
    void headersReadBack_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("shown"); // empty: as typed
        const auto to = [](const char* name, const QStringList& typed, const QStringList& shown) {
            QTest::newRow(name) << u"To"_s << typed << shown;
        };
        const auto subject = [](const char* name, const QString& typed) {
            QTest::newRow(name) << u"Subject"_s << QStringList{typed} << QStringList();
        };
        to("accented name", {u"João Sá <joao@exemplo.pt>"_s}, {});
        to("quoted names",
           {u"\"Silva, Rui\" <rui@x.pt>"_s, u"\"Sá, Ana\" <ana@x.pt>"_s,
            u"\"Ana \\\"Nita\\\" Sá\" <nita@x.pt>"_s, u"John Q. Public <jq@x.pt>"_s},
           {u"Silva, Rui <rui@x.pt>"_s, u"Sá, Ana <ana@x.pt>"_s, u"Ana \"Nita\" Sá <nita@x.pt>"_s,
            u"John Q. Public <jq@x.pt>"_s});
        to("graphemes and a long name",
           {u"Zoë 👍🏽 🇵🇹 e\u0301 <z@x.pt>"_s,
            u"Maria da Conceição "_s.repeated(8) + u"<maria@x.pt>"_s},
           {u"Zoë 👍🏽 🇵🇹 e\u0301 <z@x.pt>"_s,
            u"Maria da Conceição "_s.repeated(8).trimmed() + u" <maria@x.pt>"_s});
        to("other forms", {u"rui@x.pt (Rui Sá)"_s, u"<ana@x.pt>"_s, u"Zé <ze@exémplo.pt>"_s},
           {u"Rui Sá <rui@x.pt>"_s, u"ana@x.pt"_s, u"Zé <ze@exémplo.pt>"_s});
        // A draft keeps what was typed, but never as a header or a group.
        to("no mailbox", {u"x\r\nBcc: evil@x.com"_s, u"Eve\nBcc: evil@x.com <a@x.pt>"_s, u"ana"_s},
           {u"\"x  Bcc: evil@x.com\""_s, u"\"Eve Bcc: evil@x.com <a@x.pt>\""_s, u"ana"_s});
        QStringList sixty;
        for (int i = 0; i < 60; ++i)
            sixty << u"Pessoa Número %1 <pessoa.%1@exemplo.pt>"_s.arg(i);
        to("sixty recipients", sixty, {});
        subject("long accented subject",
                u"Relatório de avaliação das ações de formação — "_s.repeated(4).left(170));
        // (Readers drop blanks at either end of a plain subject.)
        subject("long ascii subject",
                u"Minutes of the meeting about the budget "_s.repeated(5).trimmed());
        subject("spaces kept", u"a   b      c  "_s.repeated(12).trimmed());
        subject("graphemes", u"Olá 👍🏽🇵🇹 e\u0301 ñ "_s.repeated(10));
        subject("looks encoded", u"=?UTF-8?B?T2zDoQ==?="_s);
        subject("one long word", u"x"_s.repeated(1500));
        // A cluster too large for one word is cut between its characters.
        subject("large clusters", u"👨‍👩‍👧‍👦"_s.repeated(6));
    }

    void headersReadBack()
    {
        QFETCH(QString, header);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, shown);
        const bool isSubject = header == u"Subject"_s;
        const QByteArray message =
            MIMEBuilder::buildMessage(u"me@x.pt"_s, isSubject ? QStringList{u"a@x.pt"_s} : typed,
                                      {}, {}, isSubject ? typed.first() : u"s"_s, {}, {});
        const ParsedMessage parsed = readBack(message);
        QCOMPARE(parsed.problems, QStringList());
        QCOMPARE(isSubject ? QStringList{parsed.subject} : parsed.to,
                 shown.isEmpty() ? typed : shown);
        QCOMPARE(parsed.header(u"Bcc"_s), QString());

        const QRegularExpression form(u"=\\?[^?]*\\?[^?]*\\?[^ ?]*\\?="_s);
        const QByteArray raw = rawHeader(message, header.toLatin1());
        QString decoded;
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, typed.first());
        for (const auto& match : form.globalMatch(QString::fromLatin1(raw))) {
            const std::optional<QString> text = decodedWord(match.captured().toLatin1());
            QVERIFY2(text, qPrintable(match.captured()));
            decoded += *text;
            QVERIFY(!decoded.back().isHighSurrogate());
            graphemes.setPosition(decoded.size());
            if (isSubject && !typed.first().startsWith(u"👨"_s))
                QVERIFY2(graphemes.isAtBoundary(), qPrintable(match.captured()));
        }
        // A subject is either as typed or encoded words only.
        if (isSubject && raw.startsWith("=?"))
            QCOMPARE(decoded, typed.first());
    }

    void referencesFold()
    {
        QStringList ids;
        for (int i = 0; i < 30; ++i)
            ids << u"<CAF%1xq7+abcdefghijklmnop@mail.gmail.com>"_s.arg(i);
        const QString references =
            ids.join(u' ') + u" <ção@x.pt>"_s + u"  <"_s + QString(1200, u'r') + u"@x>"_s;
        const QByteArray message = MIMEBuilder::buildMessage(
            u"me@x.pt"_s, {u"a@x.pt"_s}, {}, {}, u"Re: s"_s, {}, {}, ids.last(), references);
        const ParsedMessage parsed = readBack(message);
        QCOMPARE(parsed.problems, QStringList());
        // Ids that cannot go into a 7-bit line are left out.
        QCOMPARE(parsed.header(u"References"_s), ids.join(u' '));
        QCOMPARE(parsed.header(u"In-Reply-To"_s), ids.last());
    }

    void readsAddressEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("read"); // "name|address"; null: refused
        const auto row = [](const char* name, const QString& entry, const QString& read = {}) {
            QTest::newRow(name) << entry << read;
        };
        row("bare", u"rui@x.pt"_s, u"|rui@x.pt"_s);
        row("short", u"a@x"_s, u"|a@x"_s);
        row("atext local part", u"o'neil+tag.x_y@mail-1.x.pt"_s, u"|o'neil+tag.x_y@mail-1.x.pt"_s);
        row("name", u"João Sá <Joao@Exemplo.PT>"_s, u"João Sá|Joao@Exemplo.PT"_s);
        row("quoted name with brackets", u"\"Doe, John <john@x.com>\" <john@x.com>"_s,
            u"Doe, John <john@x.com>|john@x.com"_s);
        row("escaped quotes", u"\"Ana \\\"Nita\\\" Sá\" <ana@x.pt>"_s,
            u"Ana \"Nita\" Sá|ana@x.pt"_s);
        row("comment", u"bbb@ddd.com (John X. Doe)"_s, u"John X. Doe|bbb@ddd.com"_s);
        row("idn domain", u"ze@exémplo.pt"_s, u"|ze@xn--exmplo-cva.pt"_s);
        row("header injection", u"x\r\nBcc: evil@x.com"_s);
        row("line break in name", u"Eve\n <e@x.pt>"_s);
        row("tab", u"a\t@x.pt"_s);
        row("no at", u"ana"_s);
        row("two ats", u"a@b@x.pt"_s);
        row("empty local", u"@x.pt"_s);
        row("empty domain", u"a@"_s);
        row("empty label", u"a@x..pt"_s);
        row("space", u"a b@x.pt"_s);
        row("semicolon", u"a@x.pt; b@x.pt"_s);
        row("bracket in address", u"<a@x.pt"_s);
        row("two addresses", u"Ana <a@x.pt> <b@x.pt>"_s);
        row("open quote", u"\"Ana <a@x.pt>"_s);
        row("empty brackets", u"Ana <>"_s);
        row("accented local part", u"joão@x.pt"_s);
        row("too long", QString(250, u'a') + u"@x.pt"_s);
    }

    void readsAddressEntries()
    {
        QFETCH(QString, entry);
        const std::optional<OutgoingAddress> parsed = OutgoingAddress::parse(entry);
        QTEST(parsed ? parsed->name + u'|' + parsed->address : QString(), "read");
    }

    // The raw form is encoded while the message is written, in slices of
    // 29,184 bytes of each attachment; sizes around a slice and around a
    // group of three must come out whole, up to the largest sendable file.
    void rawCarriesTheMessage_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QString>("body");
        // Every padding of the base64 form; "?>~" encode to the URL-safe letters.
        for (int length = 0; length < 6; ++length)
            QTest::addRow("body of %d", length) << QList<int>() << u"ção?>~"_s.left(length);
        for (const int size : {0, 1, 2, 3, 56, 57, 58, 29183, 29184, 29185, 58369, 100000})
            QTest::addRow("%d bytes", size) << QList<int>{size} << u"é"_s;
        QTest::newRow("three odd files") << QList<int>{29185, 1, 58366} << u"éé"_s;
        QTest::newRow("long body") << QList<int>{4} << QString(40000, u'é');
        QTest::newRow("largest sendable") << QList<int>{26'214'400} << u"b"_s;
    }

    void rawCarriesTheMessage()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QString, body);
        QList<OutgoingAttachment> files;
        for (const int size : sizes)
            files.append({u"f%1.bin"_s.arg(files.size()), u"application/zip"_s,
                          someBytes(size, quint32(files.size() + 7))});
        const QString raw = QString::fromLatin1(
            MIMEBuilder::buildRaw(u"me@x.pt"_s, {u"a@x"_s}, {}, {}, u"ü"_s, body, files));
        QVERIFY(QRegularExpression(u"^[A-Za-z0-9_-]+$"_s).match(raw).hasMatch());
        const auto message = decodeBase64Url(raw);
        QVERIFY(message);
        if (files.isEmpty()) {
            QCOMPARE(*message,
                     MIMEBuilder::buildMessage(u"me@x.pt"_s, {u"a@x"_s}, {}, {}, u"ü"_s, body, {}));
        }
        const ParsedMessage parsed = readBack(*message);
        QCOMPARE(parsed.problems, QStringList());
        QCOMPARE(parsed.parts.size(), files.size() + 1);
        QCOMPARE(parsed.parts.first().content, body.toUtf8());
        for (qsizetype i = 0; i < files.size(); ++i)
            QVERIFY(parsed.parts[i + 1].content == files[i].data);
    }

    void splitsAddressFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("addresses"); // joined by "|"
        const auto row = [](const char* name, const QString& text, const QString& addresses) {
            QTest::newRow(name) << text << addresses;
        };
        row("empty", QString(), QString());
        row("only separators", u" , ,\t,"_s, QString());
        row("blank pieces", u" ana , , rui,"_s, u"ana|rui"_s);
        row("duplicates kept", u"a@x,b@x,a@x"_s, u"a@x|b@x|a@x"_s);
        row("semicolon", u"a@x; b@x, c@x"_s, u"a@x; b@x|c@x"_s);
        row("tabs trimmed, line breaks kept", u"\ta@x\t,\nb@x\n"_s, u"a@x|\nb@x\n"_s);
        row("quoted comma", u"\"Silva, Ana\" <a@x>, Rui <r@x>"_s,
            u"\"Silva, Ana\" <a@x>|Rui <r@x>"_s);
        row("escaped quote", u"\"a \\\", b\" <a@x>,c@x"_s, u"\"a \\\", b\" <a@x>|c@x"_s);
        row("stray quote", u"a\"@x, b@x"_s, u"a\"@x|b@x"_s);
        row("quote open at the end", u"a@x, \"b, c\\"_s, u"a@x|\"b|c\\"_s);
    }

    void splitsAddressFields()
    {
        QFETCH(QString, text);
        QTEST(MIMEBuilder::splitAddresses(text).join(u'|'), "addresses");
    }

    void namesMediaTypes_data()
    {
        QTest::addColumn<QString>("filename");
        QTest::addColumn<QString>("type");
        const QString octets = u"application/octet-stream"_s;
        QTest::newRow("upper case") << u"Relatório.PDF"_s << u"application/pdf"_s;
        // Past the table, the shared MIME database answers by extension.
        QTest::newRow("beyond the table") << u"notas.md"_s << u"text/markdown"_s;
        QTest::newRow("two extensions") << u"cópia.tar.gz"_s << u"application/x-compressed-tar"_s;
        QTest::newRow("unknown extension") << u"dados.vesk-desconhecido"_s << octets;
        QTest::newRow("trailing dot") << u"photo."_s << octets;
        QTest::newRow("dot in folder") << u"/tmp/a.pdf/notes"_s << octets;
    }

    void namesMediaTypes()
    {
        QFETCH(QString, filename);
        QTEST(MIMEBuilder::mimeType(filename), "type");
    }
};

QTEST_GUILESS_MAIN(TestMIMEBuilder)
#include "tst_mimebuilder.moc"
