// The demo mailboxes as a client fetches them: the newsletter's remote
// pictures come from the stand-in itself, and the planning conversation
// carries a real PDF and a real picture.

#include "DemoImages.h"
#include "DemoSeed.h"
#include "FakeGoogle.h"
#include "TestClient.h"

#include <QImage>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace vesk::fakegoogle;
using namespace vesk::fakegoogle::testing;
using namespace Qt::StringLiterals;

namespace {

const QString s_ana = QString::fromLatin1(DemoSeed::firstAccount);

QByteArray dataOf(const QJsonObject& part)
{
    return QByteArray::fromBase64(part[u"body"_s][u"data"_s].toString().toLatin1(),
                                  QByteArray::Base64UrlEncoding);
}

// Every part of a payload tree, depth first.
void flatten(const QJsonObject& part, QList<QJsonObject>& out)
{
    out.append(part);
    const QJsonArray children = part[u"parts"_s].toArray();
    for (const auto& child : children)
        flatten(child.toObject(), out);
}

QList<QJsonObject> partsOf(const QJsonObject& message)
{
    QList<QJsonObject> parts;
    flatten(message[u"payload"_s].toObject(), parts);
    return parts;
}

} // namespace

class DemoSeedTest : public QObject
{
    Q_OBJECT

private:
    FakeGoogle m_google;
    std::unique_ptr<TestClient> m_client;

    // The Gmail id of the demo message written with this Message-ID.
    QString messageWith(const QByteArray& messageId)
    {
        for (const QString& id : m_google.messageIds(s_ana)) {
            const QByteArray header = "Message-ID: <" + messageId + ">";
            if (m_google.rawMessage(s_ana, id).contains(header))
                return id;
        }
        return {};
    }

    QString attachmentOf(const QString& messageId, const QString& mimeType)
    {
        const Answer answer = m_client->gmail(u"/messages/"_s + messageId + u"?format=full"_s);
        for (const QJsonObject& part : partsOf(answer.json())) {
            if (part[u"mimeType"_s] == mimeType)
                return part[u"body"_s][u"attachmentId"_s].toString();
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_google.start());
        DemoSeed::apply(m_google);
        m_client = std::make_unique<TestClient>(m_google.baseUrl());
        m_client->setToken(
            m_google.issueTokens(s_ana, QString::fromLatin1(DemoSeed::clientId)).accessToken);
    }

    void newsletterShowsPicturesFromTheStandIn()
    {
        const QString id = messageWith("agenda-semana@exemplo.pt");
        QVERIFY(!id.isEmpty());
        const Answer answer = m_client->gmail(u"/messages/"_s + id + u"?format=full"_s);
        QCOMPARE(answer.status, 200);
        QString html;
        QString text;
        for (const QJsonObject& part : partsOf(answer.json())) {
            if (part[u"mimeType"_s] == u"text/html"_s)
                html = QString::fromUtf8(dataOf(part));
            else if (part[u"mimeType"_s] == u"text/plain"_s)
                text = QString::fromUtf8(dataOf(part));
        }
        QVERIFY(text.contains(u"Esta semana em Lisboa"_s));
        QVERIFY(html.contains(u"Cancelar subscrição"_s));

        // Remote pictures, written the way the reader blocks them, every one
        // the stand-in draws and nothing else.
        static const QRegularExpression source(u"src=\"(http://[^\"]+)\""_s);
        QSet<QString> shown;
        for (const auto& match : source.globalMatch(html)) {
            const QUrl url(match.captured(1));
            const QString name = url.fileName().chopped(4);
            QCOMPARE(url, DemoImages::url(m_google.baseUrl(), name));
            const Answer picture = m_client->getUrl(url);
            QCOMPARE(picture.header("Content-Type"), QByteArray("image/png"));
            QVERIFY2(!QImage::fromData(picture.body, "PNG").isNull(), qPrintable(name));
            shown.insert(name);
        }
        const QStringList names = DemoImages::names();
        QCOMPARE(shown, QSet<QString>(names.begin(), names.end()));
        const QImage banner = QImage::fromData(
            m_client->getUrl(DemoImages::url(m_google.baseUrl(), u"cabecalho"_s)).body, "PNG");
        QCOMPARE(banner.size(), QSize(1200, 400));
        QVERIFY(banner.pixel(10, 10) != banner.pixel(600, 380)); // drawn, not blank

        for (const QString& missing : {u"nada.png"_s, u"fado.gif"_s, QString()}) {
            const QUrl url = m_google.baseUrl().resolved(QUrl(u"/demo-images/"_s + missing));
            QCOMPARE(m_client->getUrl(url).status, 404);
        }
    }

    void planningThreadCarriesPdfAndPicture()
    {
        const QString first = messageWith("planeamento-1@exemplo.pt");
        QVERIFY(!first.isEmpty());
        const Answer thread =
            m_client->gmail(u"/threads/"_s + m_google.threadId(s_ana, first) + u"?format=full"_s);
        QCOMPARE(thread.status, 200);
        const QJsonArray messages = thread.json()[u"messages"_s].toArray();
        QVERIFY(messages.size() >= 2);
        QStringList kinds;
        for (const auto& value : messages) {
            const QJsonObject message = value.toObject();
            for (const QJsonObject& part : partsOf(message)) {
                QVERIFY2(part[u"mimeType"_s] != u"text/html"_s, "a plain-text conversation");
                const QString attachmentId = part[u"body"_s][u"attachmentId"_s].toString();
                if (attachmentId.isEmpty())
                    continue;
                const Answer answer =
                    m_client->gmail(u"/messages/"_s + message[u"id"_s].toString() +
                                    u"/attachments/"_s + attachmentId);
                QCOMPARE(answer.status, 200);
                const QByteArray bytes = QByteArray::fromBase64(
                    answer.json()[u"data"_s].toString().toLatin1(), QByteArray::Base64UrlEncoding);
                const QString type = part[u"mimeType"_s].toString();
                kinds.append(type);
                if (type == u"application/pdf"_s) {
                    QVERIFY(bytes.startsWith("%PDF-1."));
                    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
                } else {
                    QCOMPARE(type, u"image/png"_s);
                    QVERIFY(!QImage::fromData(bytes, "PNG").isNull());
                }
            }
        }
        kinds.sort();
        QCOMPARE(kinds, (QStringList{u"application/pdf"_s, u"image/png"_s}));
    }

    // Last: the agenda stays slow from here on.
    void agendaTricklesButAnnouncesItsLength()
    {
        DemoSeed::serveAgendaSlowly(m_google);
        const QString agenda = messageWith("planeamento-1@exemplo.pt");
        const QString attachmentId = attachmentOf(agenda, u"application/pdf"_s);
        QVERIFY(!attachmentId.isEmpty());

        QNetworkAccessManager manager;
        QNetworkRequest request(QUrl(m_google.gmailBaseUrl().toString() + u"/messages/"_s + agenda +
                                     u"/attachments/"_s + attachmentId));
        request.setRawHeader(
            "Authorization",
            "Bearer " + m_google.issueTokens(s_ana, QString::fromLatin1(DemoSeed::clientId))
                            .accessToken.toLatin1());
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        QSignalSpy progress(reply.get(), &QNetworkReply::downloadProgress);
        // A few chunks in, the whole length is known and much is still to come.
        QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 3, 30000);
        const QList<QVariant> last = progress.constLast();
        QVERIFY(last.at(1).toLongLong() > 100 * 1024);
        QVERIFY(last.at(0).toLongLong() < last.at(1).toLongLong());
        QVERIFY(!reply->isFinished());
        reply->abort();

        // The picture of the same conversation comes at once.
        const QString last3 = messageWith("planeamento-3@exemplo.pt");
        const QString pictureId = attachmentOf(last3, u"image/png"_s);
        const Answer picture =
            m_client->gmail(u"/messages/"_s + last3 + u"/attachments/"_s + pictureId);
        QCOMPARE(picture.status, 200);
        QVERIFY(picture.header("Transfer-Encoding").isEmpty());
    }
};

QTEST_GUILESS_MAIN(DemoSeedTest)
#include "tst_DemoSeed.moc"
