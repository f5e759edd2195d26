// What of the Google stand-in no client suite reaches. Payloads are written by
// hand, so that a fault in SimpleMessage cannot hide one in the mapping.

#include "DemoImages.h"
#include "DemoSeed.h"
#include "QueryItems.h"
#include "SimpleMessage.h"
#include "TestFiles.h"
#include "TestRig.h"
#include "ValuesOf.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace vesk;
using namespace vesk::fakegoogle;
using namespace Qt::StringLiterals;
using vesk::test::crlf;

namespace {

const QString s_ana = u"ana@exemplo.pt"_s;
const QString s_rui = u"rui@exemplo.pt"_s;
// RFC 7636, appendix B.
const QString s_verifier = u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"_s;
const QString s_challenge = u"E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"_s;
const QString s_redirect = u"http://127.0.0.1:49152"_s;

struct Answer
{
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QByteArray header(const QByteArray& name) const
    {
        for (const auto& [key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

QString raw64(const QByteArray& raw)
{
    return QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding));
}

QByteArray dataOf(const QJsonObject& part)
{
    const QJsonValue value =
        part.contains(u"body"_s) ? part[u"body"_s][u"data"_s] : part[u"data"_s];
    return QByteArray::fromBase64(value.toString().toLatin1(), QByteArray::Base64UrlEncoding);
}

QByteArray message(const QString& from, const QString& subject, const QString& text,
                   const QByteArray& id, bool attachment = false)
{
    SimpleMessage m;
    m.from = from;
    m.to = u"Ana <ana@exemplo.pt>"_s;
    m.subject = subject;
    m.text = text;
    m.messageId = id;
    if (attachment)
        m.attachments.append({u"fatura.pdf"_s, "application/pdf", "%PDF-1.4", {}});
    return m.toRfc822();
}

// "kind:messageId[:labels]" for each change in a history answer, in order.
QStringList changes(const QJsonObject& answer)
{
    QStringList out;
    const QJsonArray history = answer[u"history"_s].toArray();
    for (const auto& value : history) {
        for (const QString& kind :
             {u"messagesAdded"_s, u"messagesDeleted"_s, u"labelsAdded"_s, u"labelsRemoved"_s}) {
            const QJsonArray entries = value[kind].toArray();
            for (const auto& entry : entries) {
                QString line = kind + u':' + entry[u"message"_s][u"id"_s].toString();
                if (entry.toObject().contains(u"labelIds"_s))
                    line += u':' + entry[u"labelIds"_s].toVariant().toStringList().join(u',');
                out.append(line);
            }
        }
    }
    return out;
}

// Only the headers that the cases read.
const QByteArray s_mixed =
    crlf("Content-Type: multipart/mixed; boundary=\"outer\"\n\n"
         "--outer\nContent-Type: multipart/alternative; boundary=\"inner\"\n\n"
         "--inner\nContent-Type: text/plain; charset=UTF-8\n\nSegue o relatório.\n"
         "--inner\nContent-Type: text/html; charset=UTF-8\n\n<p>Segue o relatório.</p>\n--inner--\n"
         "--outer\nContent-Type: application/pdf\nContent-Transfer-Encoding: base64\n"
         "Content-Disposition: attachment; filename*=UTF-8''relat%C3%B3rio%20final.pdf\n\n"
         "JVBERi0xLjQKJeLjz9MK\n--outer\nContent-Type: text/csv; name=\"dados.csv\"\n"
         "Content-Disposition: attachment; filename=\"dados.csv\"\n\na;b\n1;2\n--outer--\n");

const QByteArray s_related = crlf(
    "Content-Type: multipart/related; boundary=\"r1\"\n\n"
    "--r1\nContent-Type: text/html; charset=UTF-8\n\n<p><img src=\"cid:foto@exemplo.pt\"></p>\n"
    "--r1\nContent-Type: image/png\nContent-ID: <foto@exemplo.pt>\nContent-Disposition: inline\n"
    "Content-Transfer-Encoding: base64\n\niVBORw0KGgo=\n--r1--\n");

const QByteArray s_latin1 = crlf("Subject: =?ISO-8859-1?Q?Reuni=E3o_de_s=E1bado?=\n"
                                 "Content-Type: text/plain; charset=ISO-8859-1\n"
                                 "Content-Transfer-Encoding: quoted-printable\n\n"
                                 "Ol=E1, a reuni=E3o =E9 no s=E1bado.\n");

// partId|mimeType|filename|size|kind per part, depth-first; kind is "data",
// "att" (attachmentId) or "-" (neither).
QString outline(const QJsonObject& part)
{
    const QJsonObject body = part[u"body"_s].toObject();
    const QString kind = body.contains(u"data"_s)           ? u"data"_s
                         : body.contains(u"attachmentId"_s) ? u"att"_s
                                                            : u"-"_s;
    QString line = part[u"partId"_s].toString() + u'|' + part[u"mimeType"_s].toString() + u'|' +
                   part[u"filename"_s].toString() + u'|' +
                   QString::number(body[u"size"_s].toInteger()) + u'|' + kind;
    const QJsonArray children = part[u"parts"_s].toArray();
    for (const auto& child : children)
        line += u" ; "_s + outline(child.toObject());
    return line;
}

// Every part of a message's payload tree, level by level.
QList<QJsonObject> partsOf(const QJsonObject& message)
{
    QList<QJsonObject> parts{message[u"payload"_s].toObject()};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QJsonArray children = parts[i][u"parts"_s].toArray();
        for (const auto& child : children)
            parts.append(child.toObject());
    }
    return parts;
}

} // namespace

class StandInTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::TestRig> m_rig;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QString m_token;

    FakeGoogle& google() { return m_rig->google(); }

    /// A request with the account's token, redirects not followed; a path is
    /// taken below the Gmail base.
    QNetworkRequest request(const QString& pathOrUrl)
    {
        QNetworkRequest request(pathOrUrl.startsWith(u"http"_s)
                                    ? QUrl(pathOrUrl)
                                    : QUrl(google().gmailBaseUrl().toString() + pathOrUrl));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        if (!m_token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + m_token.toLatin1());
        return request;
    }

    Answer call(const QString& pathOrUrl, const QByteArray& method = "GET",
                const QJsonObject& body = {})
    {
        QNetworkRequest outgoing = request(pathOrUrl);
        QByteArray payload;
        if (!body.isEmpty()) {
            outgoing.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
            payload = QJsonDocument(body).toJson(QJsonDocument::Compact);
        }
        return finish(m_manager->sendCustomRequest(outgoing, method, payload));
    }

    Answer finish(QNetworkReply* reply)
    {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(30000);
        Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                      reply->readAll(), reply->rawHeaderPairs()};
        reply->deleteLater();
        return answer;
    }

    Answer exchange(const QString& code, const QString& verifier)
    {
        QList<QPair<QString, QString>> fields{{u"code"_s, code},
                                              {u"client_id"_s, test::TestRig::clientId()},
                                              {u"client_secret"_s, test::TestRig::clientSecret()},
                                              {u"redirect_uri"_s, s_redirect},
                                              {u"grant_type"_s, u"authorization_code"_s}};
        if (!verifier.isNull())
            fields.append({u"code_verifier"_s, verifier});
        QNetworkRequest request(google().tokenUrl());
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArray("application/x-www-form-urlencoded"));
        return finish(m_manager->post(request, QueryItems::encode(fields)));
    }

    QJsonObject fetch(const QByteArray& raw)
    {
        return call(u"/messages/"_s + google().addMessage(s_ana, raw, {u"INBOX"_s}).id).json();
    }

    /// The Gmail id of the demo message written with this Message-ID.
    QString demoMessage(const QByteArray& messageId)
    {
        const QString account = QString::fromLatin1(DemoSeed::firstAccount);
        for (const QString& id : google().messageIds(account)) {
            if (google()
                    .rawMessage(account, id)
                    .contains(QByteArray("Message-ID: <" + messageId + ">")))
                return id;
        }
        return {};
    }

    /// The message's first part of this type.
    QJsonObject partOf(const QString& messageId, const QString& mimeType)
    {
        for (const QJsonObject& part : partsOf(call(u"/messages/"_s + messageId).json())) {
            if (part[u"mimeType"_s] == mimeType)
                return part;
        }
        return {};
    }

    QString attachmentOf(const QString& messageId, const QString& mimeType)
    {
        return u"/messages/"_s + messageId + u"/attachments/"_s +
               partOf(messageId, mimeType)[u"body"_s][u"attachmentId"_s].toString();
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::TestRig>(
            QList{AccountIdentity{s_ana, u"Ana"_s}, AccountIdentity{s_rui, u"Rui"_s}});
        m_manager = std::make_unique<QNetworkAccessManager>();
        m_token = m_rig->tokensFor(s_ana).accessToken;
    }

    void cleanup()
    {
        // Client connections first: the stand-in waits for kept-alive ones.
        m_manager.reset();
        m_rig.reset();
    }

    void pkceRefusals_data()
    {
        QTest::addColumn<QString>("verifier");
        QTest::addColumn<bool>("usedBefore");
        QTest::newRow("wrong verifier") << QString(s_verifier).replace(u'd', u'e') << false;
        QTest::newRow("missing verifier") << QString() << false;
        QTest::newRow("challenge sent as verifier") << s_challenge << false;
        QTest::newRow("code used twice") << s_verifier << true;
    }

    void pkceRefusals()
    {
        QFETCH(QString, verifier);
        QFETCH(bool, usedBefore);
        QUrl consentUrl = google().authUrl();
        consentUrl.setQuery(QUrlQuery{{u"client_id"_s, test::TestRig::clientId()},
                                      {u"redirect_uri"_s, s_redirect},
                                      {u"response_type"_s, u"code"_s},
                                      {u"scope"_s, FakeGoogle::defaultScope()},
                                      {u"state"_s, u"e3b0c442"_s},
                                      {u"code_challenge"_s, s_challenge},
                                      {u"code_challenge_method"_s, u"S256"_s}});
        const Answer consent = call(consentUrl.toString());
        QCOMPARE(consent.status, 302);
        const QUrlQuery back(QUrl(QString::fromUtf8(consent.header("Location"))));
        QCOMPARE(back.queryItemValue(u"state"_s), u"e3b0c442"_s);
        const QString code = back.queryItemValue(u"code"_s, QUrl::FullyDecoded);
        if (usedBefore)
            QCOMPARE(exchange(code, verifier).status, 200);
        const Answer refused = exchange(code, verifier);
        QCOMPARE(refused.status, 400);
        QCOMPARE(refused.json()[u"error"_s].toString(), u"invalid_grant"_s);
    }

    void quotaMovingWindow_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("allowedGets");
        QTest::addColumn<qint64>("windowMs");
        QTest::newRow("2026: 6000 units a minute, get = 20")
            << int(QuotaModel::PerMinute2026) << 300 << qint64(60000);
        QTest::newRow("legacy: 250 units a second, get = 5")
            << int(QuotaModel::LegacyPerSecond) << 50 << qint64(1000);
    }

    void quotaMovingWindow()
    {
        QFETCH(int, model);
        QFETCH(int, allowedGets);
        QFETCH(qint64, windowMs);
        auto now = std::make_shared<std::atomic<qint64>>(QDateTime::currentMSecsSinceEpoch());
        google().setClock([now] { return QDateTime::fromMSecsSinceEpoch(now->load(), Qt::UTC); });
        google().setQuotaModel(QuotaModel(model));
        const QString id = google().deliverMessage(s_ana, "Subject: q\r\n\r\nq\r\n").id;
        const QString path = u"/messages/"_s + id + u"?format=minimal"_s;
        // Spread over the first half of the window: all of it still counts.
        for (int i = 0; i < allowedGets; ++i) {
            if (i == allowedGets / 2)
                *now += windowMs / 2;
            QCOMPARE(call(path).status, 200);
        }
        const Answer refused = call(path);
        QCOMPARE(refused.json()[u"error"_s][u"errors"_s][0][u"reason"_s].toString(),
                 u"rateLimitExceeded"_s);
        QCOMPARE(google().unitsSpent(s_ana),
                 qint64(allowedGets) * (model == int(QuotaModel::PerMinute2026) ? 20 : 5));
        // Once the first half has left the window, half the calls fit again.
        *now += windowMs / 2;
        for (int i = 0; i < allowedGets / 2; ++i)
            QCOMPARE(call(path).status, 200);
        QCOMPARE(call(path).status, 429);
        // A thread is charged its own price (list, labels and history: tst_syncengine).
        google().setQuotaModel(QuotaModel::Off);
        google().resetUnits();
        call(u"/threads/"_s + id);
        QCOMPARE(google().unitsSpent(s_ana), 40); // counted on the 2026 table
    }

    void draftVersionsInTheHistory()
    {
        // Label changes and trash are read back by the sync suites; a draft's
        // versions are filed anew, each replacing the last.
        const QString start = call(u"/profile"_s).json()[u"historyId"_s].toString();
        const auto draftOf = [](const QByteArray& id) {
            return QJsonObject{
                {u"message"_s,
                 QJsonObject{{u"raw"_s, raw64(message(s_ana, u"Rascunho"_s, u"v"_s, id))}}}};
        };
        const QJsonObject draft = call(u"/drafts"_s, "POST", draftOf("d1@x")).json();
        const QString version1 = draft[u"message"_s][u"id"_s].toString();
        const QString version2 =
            call(u"/drafts/"_s + draft[u"id"_s].toString(), "PUT", draftOf("d2@x"))
                .json()[u"message"_s][u"id"_s]
                .toString();
        QVERIFY(version1 != version2);
        const QJsonObject history = call(u"/history?startHistoryId="_s + start).json();
        QCOMPARE(changes(history),
                 (QStringList{u"messagesAdded:"_s + version1, u"messagesDeleted:"_s + version1,
                              u"messagesAdded:"_s + version2}));
        QCOMPARE(
            changes(call(u"/history?historyTypes=messageDeleted&startHistoryId="_s + start).json()),
            QStringList{u"messagesDeleted:"_s + version1});
    }

    void looseReplyStartsAThreadAndReachesTheOtherAccount()
    {
        // A reply that names its original stays in its thread (tested through
        // the application); without In-Reply-To/References Gmail starts a new
        // thread, threadId or not.
        const MessageRef received = google().deliverMessage(
            s_ana, message(u"Rui <rui@exemplo.pt>"_s, u"Orçamento"_s, u"Vê isto."_s, "orc@x"));
        const QByteArray reply = test::TestRig::mail(u"Rui <rui@exemplo.pt>"_s, u"Re: Orçamento"_s);
        const QJsonObject sent =
            call(u"/messages/send"_s, "POST",
                 {{u"raw"_s, raw64(reply)}, {u"threadId"_s, received.threadId}})
                .json();
        QVERIFY(!sent[u"threadId"_s].toString().isEmpty());
        QVERIFY(sent[u"threadId"_s].toString() != received.threadId);
        // The other local account received it, unread in its inbox.
        QCOMPARE(google().messageIds(s_rui).size(), 1);
        QCOMPARE(google().labelIds(s_rui, google().messageIds(s_rui).first()),
                 (QStringList{u"INBOX"_s, u"UNREAD"_s}));
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected"); // names of the messages below, newest first
        const auto row = [](const char* name, const char* query, const char* expected) {
            QTest::newRow(name) << QString::fromUtf8(query) << QString::fromUtf8(expected);
        };
        row("free word in subject", "fatura", "fatura");
        row("free word ignores accents and case", "REUNIAO", "reuniao");
        row("free word in body", "pastéis", "reuniao");
        row("whole words only", "fatur", "");
        row("from name", "from:rui", "fatura reuniao");
        row("to", "to:ana@exemplo.pt", "fatura reuniao lida");
        row("subject phrase", "subject:\"de equipa\"", "reuniao");
        row("is:unread", "is:unread", "fatura reuniao");
        row("is:starred", "is:starred", "lida");
        row("label by name", "label:viagens-acores", "lida");
        row("has:attachment", "has:attachment", "fatura");
        row("negation", "-from:rui is:unread", "");
        row("trash hidden", "lixo", "");
        row("in:trash", "in:trash", "lixo");
        row("combined", "from:rui has:attachment is:unread", "fatura");
    }

    void search()
    {
        QFETCH(QString, query);
        const QString travel = google().addLabel(s_ana, u"Viagens/Açores"_s);
        const QDateTime base = QDateTime::currentDateTimeUtc().addDays(-1);
        QHash<QString, QString> names;
        const auto add = [&](const QString& name, const QString& from, const QString& subject,
                             const QString& text, const QStringList& labels) {
            const QByteArray raw =
                message(from, subject, text, name.toLatin1() + "@x", name == u"fatura"_s);
            names[google().addMessage(s_ana, raw, labels, base.addSecs(60 * names.size())).id] =
                name;
        };
        add(u"lixo"_s, u"Lixo <lixo@exemplo.pt>"_s, u"Lixo"_s, u"lixo"_s, {u"TRASH"_s});
        add(u"lida"_s, u"Eva <eva@exemplo.pt>"_s, u"Postal"_s, u"Já li."_s,
            {u"INBOX"_s, u"STARRED"_s, travel});
        add(u"reuniao"_s, u"Rui Sá <rui@exemplo.pt>"_s, u"Reunião de equipa"_s,
            u"Levo pastéis de nata."_s, {u"INBOX"_s, u"UNREAD"_s});
        add(u"fatura"_s, u"Rui Sá <rui@exemplo.pt>"_s, u"Fatura de março"_s, u"Em anexo."_s,
            {u"INBOX"_s, u"UNREAD"_s});
        const Answer answer =
            call(u"/messages?q="_s + QString::fromLatin1(QUrl::toPercentEncoding(query)));
        const QJsonArray refs = answer.json()[u"messages"_s].toArray();
        const QStringList got = test::valuesOf(
            refs, [&names](const QJsonValue& ref) { return names.value(ref[u"id"_s].toString()); });
        QTEST(got.join(u' '), "expected");
    }

    void payloadTree_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nested mixed with attachments")
            << s_mixed
            << u"|multipart/mixed||0|- ; 0|multipart/alternative||0|- ; 0.0|text/plain||19|data"
               u" ; 0.1|text/html||26|data ; 1|application/pdf|relatório final.pdf|15|att"
               u" ; 2|text/csv|dados.csv|8|att"_s;
        QTest::newRow("inline image") << s_related
                                      << u"|multipart/related||0|- ; 0|text/html||38|data"
                                         u" ; 1|image/png||8|att"_s;
        QTest::newRow("single latin-1 part") << s_latin1 << u"|text/plain||29|data"_s;
    }

    void payloadTree()
    {
        QFETCH(QByteArray, raw);
        QTEST(outline(fetch(raw)[u"payload"_s].toObject()), "expected");
    }

    void bodiesHeadersSnippetsAndAttachments()
    {
        // Non-UTF-8 text: "data" is the part's own bytes; headers and snippet are Unicode.
        const QJsonObject latin = fetch(s_latin1);
        const QJsonObject payload = latin[u"payload"_s].toObject();
        QCOMPARE(dataOf(payload), QByteArray("Ol\xe1, a reuni\xe3o \xe9 no s\xe1"
                                             "bado.\r\n"));
        QCOMPARE(latin[u"snippet"_s].toString(), u"Olá, a reunião é no sábado."_s);
        QVERIFY(payload[u"headers"_s].toArray().contains(
            QJsonObject{{u"name"_s, u"Subject"_s}, {u"value"_s, u"Reunião de sábado"_s}}));
        // Gmail keeps "=" padding in data; 19 bytes need two. The line
        // break before a boundary belongs to the boundary, not to the part.
        const QJsonObject mixed = fetch(s_mixed);
        const QJsonObject plain = partsOf(mixed).at(4);
        QVERIFY(plain[u"body"_s][u"data"_s].toString().endsWith(u"=="_s));
        QCOMPARE(dataOf(plain), QByteArray("Segue o relatório."));
        // HTML-only mail: the snippet is its text, with entities as Gmail writes them.
        const QByteArray htmlOnly =
            "Subject: Promo\r\nContent-Type: text/html; charset=UTF-8\r\n\r\n<html><head><style>"
            "p{color:red}</style></head><body><p>Tom &amp; Jerry's \"quote\" <b>5 &lt; 6</b></p>"
            "</body></html>\r\n";
        QCOMPARE(fetch(htmlOnly)[u"snippet"_s].toString(),
                 u"Tom &amp; Jerry&#39;s &quot;quote&quot; 5 &lt; 6"_s);

        const QString id = mixed[u"id"_s].toString();
        const auto pdfId = [](const QJsonObject& message) {
            return partsOf(message).at(2)[u"body"_s][u"attachmentId"_s].toString(); // the PDF
        };
        const QString again = pdfId(call(u"/messages/"_s + id).json());
        // Like Gmail's, attachment ids change from one read to the next and all keep working.
        QVERIFY(pdfId(mixed) != again);
        for (const QString& token : {pdfId(mixed), again}) {
            const Answer answer = call(u"/messages/"_s + id + u"/attachments/"_s + token);
            QCOMPARE(answer.status, 200);
            QCOMPARE(dataOf(answer.json()), QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"));
            QCOMPARE(answer.json()[u"size"_s].toInteger(), 15);
        }
        QCOMPARE(call(u"/messages/"_s + id + u"/attachments/garbage"_s).status, 400);
        QCOMPARE(call(u"/messages/not-an-id"_s).status, 400);
    }

    void hostileInputIsAnsweredNotFatal()
    {
        const QByteArray garbage(
            "\x00\xff\r\n\r\n--\r\nContent-Type: multipart/mixed; boundary=\r\n", 48);
        QVERIFY(fetch(garbage).contains(u"payload"_s));
        const QByteArray endless =
            "Content-Type: multipart/mixed; boundary=x\r\n\r\n" +
            QByteArray("--x\r\nContent-Type: multipart/mixed; boundary=x\r\n\r\n").repeated(200);
        QVERIFY(fetch(endless).contains(u"payload"_s));
        const QByteArray abyss = "Content-Type: multipart/mixed; boundary=x\r\n\r\n" +
                                 QByteArray("--x\r\nContent-Type: message/rfc822\r\n\r\n"
                                            "Content-Type: multipart/mixed; boundary=x\r\n\r\n")
                                     .repeated(50000);
        QCOMPARE(fetch(abyss)[u"payload"_s][u"mimeType"_s].toString(), u"text/plain"_s);
    }

    void demoMailboxesServeWhatTheyShow()
    {
        DemoSeed::apply(google());
        m_token = google()
                      .issueTokens(QString::fromLatin1(DemoSeed::firstAccount),
                                   QString::fromLatin1(DemoSeed::clientId))
                      .accessToken;
        // The newsletter's remote pictures, written the way the reader blocks
        // them: every one the stand-in draws, and nothing else.
        const QString html = QString::fromUtf8(
            dataOf(partOf(demoMessage("agenda-semana@exemplo.pt"), u"text/html"_s)));
        static const QRegularExpression source(u"src=\"(http://[^\"]+)\""_s);
        QSet<QString> shown;
        for (const auto& match : source.globalMatch(html)) {
            const QUrl url(match.captured(1));
            const QString name = url.fileName().chopped(4);
            QCOMPARE(url, DemoImages::url(google().baseUrl(), name));
            const Answer picture = call(url.toString());
            QCOMPARE(picture.header("Content-Type"), QByteArray("image/png"));
            QVERIFY2(!QImage::fromData(picture.body, "PNG").isNull(), qPrintable(name));
            shown.insert(name);
        }
        const QStringList names = DemoImages::names();
        QCOMPARE(shown, QSet<QString>(names.begin(), names.end()));
        QCOMPARE(call(google().baseUrl().toString() + u"/demo-images/nada.png"_s).status, 404);

        // The planning conversation carries a whole PDF and a picture, which comes at once.
        const QString agenda =
            attachmentOf(demoMessage("planeamento-1@exemplo.pt"), u"application/pdf"_s);
        const QByteArray pdf = dataOf(call(agenda).json());
        QVERIFY(pdf.startsWith("%PDF-1.") && pdf.trimmed().endsWith("%%EOF"));
        const Answer picture =
            call(attachmentOf(demoMessage("planeamento-3@exemplo.pt"), u"image/png"_s));
        QVERIFY(!QImage::fromData(dataOf(picture.json()), "PNG").isNull());
        QVERIFY(picture.header("Transfer-Encoding").isEmpty());

        // Served slowly, the agenda announces its whole length a few chunks in.
        DemoSeed::serveAgendaSlowly(google());
        std::unique_ptr<QNetworkReply> reply(m_manager->get(request(agenda)));
        QSignalSpy progress(reply.get(), &QNetworkReply::downloadProgress);
        QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 3, 30000);
        QVERIFY(progress.constLast().at(1).toLongLong() > 100 * 1024);
        QVERIFY(progress.constLast().at(0).toLongLong() < progress.constLast().at(1).toLongLong());
        QVERIFY(!reply->isFinished());
        reply->abort();
    }
};

QTEST_GUILESS_MAIN(StandInTest)
#include "tst_standin.moc"
