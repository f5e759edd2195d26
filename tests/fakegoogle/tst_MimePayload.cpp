// How the stand-in maps stored RFC 5322 text onto Gmail's payload tree. The
// messages here are written by hand, not by SimpleMessage, so that a fault in
// the builder cannot hide one in the mapping.

#include "FakeGoogle.h"
#include "TestClient.h"

#include <QJsonArray>
#include <QTest>

using namespace vesk::fakegoogle;
using namespace vesk::fakegoogle::testing;
using namespace Qt::StringLiterals;

namespace {

const QString s_account = u"ana@exemplo.pt"_s;

QByteArray crlf(QByteArray text)
{
    return text.replace("\r\n", "\n").replace("\n", "\r\n");
}

const QByteArray s_alternative = crlf(R"(From: Tiago <tiago@exemplo.pt>
Subject: Alternativa
MIME-Version: 1.0
Content-Type: multipart/alternative; boundary="b1"

--b1
Content-Type: text/plain; charset=UTF-8

Texto simples.
--b1
Content-Type: text/html; charset=UTF-8

<p>Texto <b>rico</b>.</p>
--b1--
)");

const QByteArray s_mixed = crlf(R"(From: Tiago <tiago@exemplo.pt>
Subject: Anexos
MIME-Version: 1.0
Content-Type: multipart/mixed; boundary="outer"

--outer
Content-Type: multipart/alternative; boundary="inner"

--inner
Content-Type: text/plain; charset=UTF-8

Segue o relatório.
--inner
Content-Type: text/html; charset=UTF-8

<p>Segue o relatório.</p>
--inner--
--outer
Content-Type: application/pdf
Content-Disposition: attachment; filename*=UTF-8''relat%C3%B3rio%20final.pdf
Content-Transfer-Encoding: base64

JVBERi0xLjQKJeLjz9MK
--outer
Content-Type: text/csv; name="dados.csv"
Content-Disposition: attachment; filename="dados.csv"

a;b
1;2
--outer--
)");

const QByteArray s_forwarded = crlf(R"(From: Ana <ana@exemplo.pt>
Subject: Fwd: Original
MIME-Version: 1.0
Content-Type: multipart/mixed; boundary="f1"

--f1
Content-Type: text/plain; charset=UTF-8

Reencaminho a mensagem.
--f1
Content-Type: message/rfc822
Content-Disposition: attachment; filename="original.eml"

From: Rui <rui@exemplo.pt>
Subject: Original
MIME-Version: 1.0
Content-Type: multipart/alternative; boundary="f2"

--f2
Content-Type: text/plain; charset=UTF-8

Mensagem original.
--f2
Content-Type: text/html; charset=UTF-8

<p>Mensagem original.</p>
--f2--
--f1--
)");

const QByteArray s_related = crlf(R"(From: Ines <ines@exemplo.pt>
Subject: Imagem
MIME-Version: 1.0
Content-Type: multipart/related; boundary="r1"

--r1
Content-Type: text/html; charset=UTF-8

<p><img src="cid:foto@exemplo.pt"></p>
--r1
Content-Type: image/png
Content-ID: <foto@exemplo.pt>
Content-Disposition: inline
Content-Transfer-Encoding: base64

iVBORw0KGgo=
--r1--
)");

const QByteArray s_latin1 = crlf(R"(From: =?ISO-8859-1?Q?Jo=E3o_Gon=E7alves?= <joao@exemplo.pt>
Subject: =?ISO-8859-1?Q?Reuni=E3o_de_s=E1bado?=
MIME-Version: 1.0
Content-Type: text/plain; charset=ISO-8859-1
Content-Transfer-Encoding: quoted-printable

Ol=E1, a reuni=E3o =E9 no s=E1bado.
)");

const QByteArray s_htmlOnly = crlf(R"(From: Loja <loja@exemplo.pt>
Subject: Promo
MIME-Version: 1.0
Content-Type: text/html; charset=UTF-8

<html><head><style>p{color:red}</style></head><body><p>Tom &amp; Jerry's "quote" <b>5 &lt; 6</b></p></body></html>
)");

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

QJsonObject partAt(QJsonObject part, const QList<int>& path)
{
    for (int index : path)
        part = part[u"parts"_s].toArray().at(index).toObject();
    return part;
}

QByteArray dataOf(const QJsonObject& part)
{
    return QByteArray::fromBase64(part[u"body"_s][u"data"_s].toString().toLatin1(),
                                  QByteArray::Base64UrlEncoding);
}

} // namespace

class MimePayloadTest : public QObject
{
    Q_OBJECT

private:
    FakeGoogle m_google;
    std::unique_ptr<TestClient> m_client;

    QJsonObject fetch(const QByteArray& raw, const QString& format = u"full"_s)
    {
        const MessageRef ref = m_google.addMessage(s_account, raw, {u"INBOX"_s});
        const Answer answer = m_client->gmail(u"/messages/"_s + ref.id + u"?format="_s + format);
        if (answer.status != 200)
            qWarning() << answer.status << answer.body;
        return answer.json();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_google.start());
        m_google.registerClient(u"client"_s, u"secret"_s);
        m_google.addAccount(s_account, u"Ana"_s);
        m_client = std::make_unique<TestClient>(m_google.baseUrl());
        m_client->setToken(m_google.issueTokens(s_account, u"client"_s).accessToken);
    }

    void payloadTree_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("expected");
        QTest::newRow("alternative")
            << s_alternative
            << u"|multipart/alternative||0|- ; 0|text/plain||14|data ; 1|text/html||25|data"_s;
        QTest::newRow("nested mixed with attachments")
            << s_mixed
            << u"|multipart/mixed||0|- ; 0|multipart/alternative||0|- ; 0.0|text/plain||19|data"
               u" ; 0.1|text/html||26|data ; 1|application/pdf|relatório final.pdf|15|att"
               u" ; 2|text/csv|dados.csv|8|att"_s;
        QTest::newRow("forwarded message")
            << s_forwarded
            << u"|multipart/mixed||0|- ; 0|text/plain||23|data ; 1|message/rfc822|original.eml|"
               u"%1|att ; 1.0|multipart/alternative||0|- ; 1.0.0|text/plain||18|data"
               u" ; 1.0.1|text/html||25|data"_s;
        QTest::newRow("inline image") << s_related
                                      << u"|multipart/related||0|- ; 0|text/html||38|data"
                                         u" ; 1|image/png||8|att"_s;
        QTest::newRow("single latin-1 part") << s_latin1 << u"|text/plain||29|data"_s;
    }

    void payloadTree()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, expected);
        const QJsonObject message = fetch(raw);
        const QJsonObject payload = message[u"payload"_s].toObject();
        if (expected.contains(u"%1"_s)) // the encapsulated message's size is the parser's
            expected = expected.arg(partAt(payload, {1})[u"body"_s][u"size"_s].toInteger());
        QCOMPARE(outline(payload), expected);
        QVERIFY(message[u"internalDate"_s].isString());
        QVERIFY(message[u"historyId"_s].isString());
        QVERIFY(message[u"sizeEstimate"_s].toInteger() > 0);
        // The root part carries the message's own header block, Content-Type included.
        const auto headers = payload[u"headers"_s].toArray();
        const bool hasContentType = std::any_of(headers.begin(), headers.end(), [](const auto& h) {
            return h.toObject()[u"name"_s].toString().compare(u"Content-Type"_s,
                                                              Qt::CaseInsensitive) == 0;
        });
        QVERIFY(hasContentType);
    }

    void bodiesHeadersAndSnippets()
    {
        // Non-UTF-8 text: "data" is the part's own bytes; headers and snippet are Unicode.
        const QJsonObject latin = fetch(s_latin1);
        const QJsonObject payload = latin[u"payload"_s].toObject();
        QCOMPARE(dataOf(payload), QByteArray("Ol\xe1, a reuni\xe3o \xe9 no s\xe1"
                                             "bado.\r\n"));
        QCOMPARE(latin[u"snippet"_s].toString(), u"Olá, a reunião é no sábado."_s);
        QString subject;
        const QJsonArray headers = payload[u"headers"_s].toArray();
        for (const auto& value : headers) {
            if (value[u"name"_s].toString() == u"Subject"_s)
                subject = value[u"value"_s].toString();
        }
        QCOMPARE(subject, u"Reunião de sábado"_s);
        // Gmail keeps "=" padding in data; 14 bytes need one "=".
        const QJsonObject alternative = fetch(s_alternative)[u"payload"_s].toObject();
        QVERIFY(partAt(alternative, {0})[u"body"_s][u"data"_s].toString().endsWith(u'='));
        // The line break before a boundary belongs to the boundary, not to the part.
        QCOMPARE(dataOf(partAt(alternative, {0})), QByteArray("Texto simples."));

        // HTML-only mail: the snippet is its text, with entities as Gmail writes them.
        QCOMPARE(fetch(s_htmlOnly)[u"snippet"_s].toString(),
                 u"Tom &amp; Jerry&#39;s &quot;quote&quot; 5 &lt; 6"_s);

        // metadata: headers only, filtered case-insensitively; minimal: no payload.
        const QJsonObject meta =
            fetch(s_mixed, u"metadata&metadataHeaders=subject&metadataHeaders=FROM"_s);
        QCOMPARE(meta[u"payload"_s][u"headers"_s].toArray().size(), 2);
        QVERIFY(!meta[u"payload"_s].toObject().contains(u"parts"_s));
        QVERIFY(!fetch(s_mixed, u"minimal"_s).contains(u"payload"_s));
        const QJsonObject raw = fetch(s_related, u"raw"_s);
        QCOMPARE(QByteArray::fromBase64(raw[u"raw"_s].toString().toLatin1(),
                                        QByteArray::Base64UrlEncoding),
                 s_related);
    }

    void attachmentsDownload()
    {
        const QJsonObject first = fetch(s_mixed);
        const QString id = first[u"id"_s].toString();
        const QString attachmentId =
            partAt(first[u"payload"_s].toObject(), {1})[u"body"_s][u"attachmentId"_s].toString();
        const Answer second = m_client->gmail(u"/messages/"_s + id);
        const QString againId =
            partAt(second.json()[u"payload"_s].toObject(), {1})[u"body"_s][u"attachmentId"_s]
                .toString();
        // Like Gmail's, attachment ids change from one read to the next and all keep working.
        QVERIFY(attachmentId != againId);
        for (const QString& token : {attachmentId, againId}) {
            const Answer answer =
                m_client->gmail(u"/messages/"_s + id + u"/attachments/"_s + token);
            QCOMPARE(answer.status, 200);
            const QByteArray bytes = QByteArray::fromBase64(
                answer.json()[u"data"_s].toString().toLatin1(), QByteArray::Base64UrlEncoding);
            QCOMPARE(bytes, QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"));
            QCOMPARE(answer.json()[u"size"_s].toInteger(), 15);
        }
        QCOMPARE(m_client->gmail(u"/messages/"_s + id + u"/attachments/garbage"_s).status, 400);
        QCOMPARE(m_client->gmail(u"/messages/ffffffffffffffff"_s).status, 404);
        QCOMPARE(m_client->gmail(u"/messages/not-an-id"_s).status, 400);
    }

    void hostileInputIsAnsweredNotFatal()
    {
        const QByteArray garbage(
            "\x00\xff\r\n\r\n--\r\nContent-Type: multipart/mixed; boundary=\r\n", 48);
        const QJsonObject message = fetch(garbage);
        QVERIFY(message.contains(u"payload"_s));
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
};

QTEST_GUILESS_MAIN(MimePayloadTest)
#include "tst_MimePayload.moc"
