#include "AwaitTask.h"
#include "GoogleRefusal.h"
#include "TestFiles.h"
#include "TestRig.h"
#include "auth/TokenVault.h"
#include "gmail/GmailError.h"
#include "gmail/LiveGmailAPI.h"
#include "gmail/StaticTokenProvider.h"
#include "net/DescribedError.h"
#include "net/QNetworkTransport.h"

#include <QCoroTask>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using namespace Qt::StringLiterals;
using namespace vesk::test;
using namespace std::chrono_literals;
using fakegoogle::FakeGoogle;
using fakegoogle::FaultRule;

namespace {

const QString account = u"ana@exemplo.pt"_s;

template <typename T>
GmailError gmailFailure(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const GmailError& error) {
        return error;
    }
    return GmailError::transport(u"no failure"_s);
}

QByteArray plainMessage(const QByteArray& body)
{
    return "From: Zé <ze@x.pt>\r\nTo: ana@exemplo.pt\r\nSubject: Acentos\r\n\r\n" + body + "\r\n";
}

QByteArray mixed(const QByteArray& boundary, const QByteArray& parts)
{
    return crlf(
        "From: Rui <rui@x.pt>\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=" +
        boundary + "\n\n" + parts + "--" + boundary + "--\n");
}

/// A newsletter forwarded as an attached message, with or without a note.
QByteArray forwardedNewsletter(bool withNote)
{
    return mixed(
        "f", (withNote ? "--f\nContent-Type: text/plain; charset=utf-8\n\nVê isto.\n" : "") +
                 QByteArray("--f\nContent-Type: message/rfc822\n"
                            "Content-Disposition: attachment; filename=\"Novidades.eml\"\n\n"
                            "Content-Type: multipart/alternative; boundary=n\n\n"
                            "--n\nContent-Type: text/plain; charset=utf-8\n\nPromoções da semana\n"
                            "--n\nContent-Type: text/html; charset=utf-8\n\n"
                            "<p>Promoções da semana</p>\n--n--\n"));
}

QByteArray unnamedAttachments()
{
    return mixed("u",
                 "--u\nContent-Type: text/plain; charset=utf-8\n\nEm anexo.\n"
                 "--u\nContent-Type: application/octet-stream\n"
                 "Content-Transfer-Encoding: base64\n\nAAECAw==\n"
                 "--u\nContent-Type: image/png\nContent-Transfer-Encoding: base64\n\niVBORw0K\n"
                 "--u\nContent-Type: application/x-vesk-desconhecido\n\ndados\n");
}

} // namespace

class TestGmailClient : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    FakeGoogle* m_google = nullptr;
    std::shared_ptr<QNetworkTransport> m_transport;
    QString m_token;

    std::unique_ptr<LiveGmailAPI> client(std::shared_ptr<AccessTokenProviding> tokens = {})
    {
        if (!tokens)
            tokens = std::make_shared<StaticTokenProvider>(m_token);
        return std::make_unique<LiveGmailAPI>(m_transport, tokens, m_rig->gmailEndpoints(),
                                              RetryPolicy{4, 5ms, 50ms});
    }

    FullMessage full(const QString& threadId)
    {
        return awaitTask(client()->getThread(threadId)).messages->first().toFull();
    }

    int requestsTo(const QString& pathEnd) const { return m_rig->requestsEndingWith(pathEnd); }

private slots:
    void cleanup()
    {
        // Client connections first: the stand-in waits for kept-alive ones.
        m_transport.reset();
        m_rig.reset();
    }

    void init()
    {
        m_rig = std::make_unique<TestRig>(QList{AccountIdentity{account, u"Ana Sá"_s}});
        m_google = &m_rig->google();
        m_token = m_rig->tokensFor(account).accessToken;
        m_transport = m_rig->transport();
    }

    void queryItemsKeepTheirOrderAndEncoding()
    {
        const auto gmail = client();
        const QString query = u"from:a+b@x.pt \"olá & adeus\" ="_s;
        awaitTask(gmail->listMessages(query, {u"INBOX"_s, u"Label_7"_s}, 50, std::nullopt));
        awaitTask(gmail->listMessages(QString(), {}, 10, std::nullopt));
        const auto sent = m_google->requests();
        QCOMPARE(sent.size(), 2);
        const QList<QPair<QString, QString>> expected{{u"maxResults"_s, u"50"_s},
                                                      {u"q"_s, query},
                                                      {u"labelIds"_s, u"INBOX"_s},
                                                      {u"labelIds"_s, u"Label_7"_s}};
        QCOMPARE(sent[0].query, expected);
        QCOMPARE(sent[0].header("Authorization"), "Bearer " + m_token.toUtf8());
        QCOMPARE(sent[1].query.size(), 1);

        m_google->clearRequests();
        const auto ref = m_google->deliverMessage(account, plainMessage("corpo"));
        const MessageDTO metadata = awaitTask(gmail->getMessage(ref.id, u"metadata"_s));
        QCOMPARE(metadata.toSummary().subject(), u"Acentos"_s);
        QCOMPARE(m_google->requests().constLast().queryValues(u"metadataHeaders"_s),
                 (QStringList{u"From"_s, u"Subject"_s, u"Date"_s, u"To"_s, u"Cc"_s}));
        awaitTask(gmail->getMessage(ref.id, u"full"_s));
        QCOMPARE(m_google->requests().constLast().query.size(), 1);
    }

    void unauthorizedIsRetriedOnceWithAFreshToken()
    {
        // A kept access token Google no longer takes: refreshed once, then used.
        TokenSet stale = m_rig->tokensFor(account);
        stale.accessToken = u"revogado"_s;
        const auto vault = std::make_shared<TokenVault>(account, m_rig->config(), m_transport,
                                                        m_rig->oauthEndpoints());
        vault->saveTokenSet(stale);
        QCOMPARE(awaitTask(client(vault)->profile()).emailAddress, account);
        QCOMPARE(requestsTo(u"/token"_s), 1);
        QCOMPARE(requestsTo(u"/profile"_s), 2);

        // Refused again with the fresh token: the refusal comes, no third try.
        m_google->failNext(u".*/profile"_s, 401, 2);
        const GmailError error = gmailFailure(client(vault)->profile());
        QCOMPARE(error.kind(), GmailError::Kind::Http);
        QCOMPARE(error.status(), 401);
        QCOMPARE(requestsTo(u"/token"_s), 2);
        QCOMPARE(requestsTo(u"/profile"_s), 4);
    }

    void notFoundMeansExpiredHistoryOnlyOnHistory()
    {
        const auto gmail = client();
        const quint64 old = m_google->historyId(account);
        m_google->deliverMessage(account, plainMessage("novo"));
        m_google->expireHistoryBefore(account, m_google->historyId(account));
        QCOMPARE(gmailFailure(gmail->listHistory(QString::number(old), std::nullopt)).kind(),
                 GmailError::Kind::HistoryExpired);

        // Google's answer reaches the error (its reading is the error body's
        // own test), its JSON kept as details.
        const GmailError missing = gmailFailure(gmail->getMessage(u"ffff"_s, u"full"_s));
        QCOMPARE(missing.reason(), u"notFound"_s);
        QVERIFY(missing.details().startsWith(u"HTTP 404: {"_s));
    }

    void unusableAnswersFailAsTheirKind()
    {
        m_google->addFault(TestRig::answering(u".*/profile"_s, 204, " "));
        QCOMPARE(gmailFailure(client()->profile()).kind(), GmailError::Kind::Decoding);
        // Answers that are ignored still succeed on any 2xx.
        m_google->addFault(TestRig::answering(u".*/trash"_s, 204, " "));
        awaitTask(client()->trashThread(u"x"_s));

        // A file answers without any HTTP status.
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath(u"labels"_s), "{}"));
        const auto gmail = std::make_unique<LiveGmailAPI>(
            m_transport, std::make_shared<StaticTokenProvider>(m_token),
            GmailEndpoints{QUrl::fromLocalFile(dir.path()), QUrl()});
        QCOMPARE(gmailFailure(gmail->labels()).kind(), GmailError::Kind::Transport);
    }

    void forwardedMessagesAndUnnamedAttachments()
    {
        const auto note = m_google->deliverMessage(account, forwardedNewsletter(true));
        const auto bare = m_google->deliverMessage(account, forwardedNewsletter(false));
        const auto unnamed = m_google->deliverMessage(account, unnamedAttachments());

        // The note is the body, not the newsletter it forwards.
        const FullMessage withNote = full(note.threadId);
        QCOMPARE(withNote.plainText.value_or(QString()).trimmed(), u"Vê isto."_s);
        QVERIFY(!withNote.html);
        QCOMPARE(withNote.attachments.size(), 1);
        QCOMPARE(withNote.attachments[0].filename, u"Novidades.eml"_s);

        // Without a text of its own, the forwarded message is what there is to read.
        const FullMessage withoutNote = full(bare.threadId);
        QCOMPARE(withoutNote.plainText.value_or(QString()).trimmed(), u"Promoções da semana"_s);
        QCOMPARE(withoutNote.html.value_or(QString()).trimmed(), u"<p>Promoções da semana</p>"_s);

        const FullMessage message = full(unnamed.threadId);
        QCOMPARE(message.plainText.value_or(QString()).trimmed(), u"Em anexo."_s);
        QStringList named;
        for (const AttachmentInfo& attachment : message.attachments)
            named << attachment.filename + u' ' + attachment.mimeType;
        QCOMPARE(named,
                 QStringList({u"anexo.bin application/octet-stream"_s, u"anexo.png image/png"_s,
                              u"anexo.bin application/x-vesk-desconhecido"_s}));
        QCOMPARE(
            awaitTask(client()->attachmentData(unnamed.id, message.attachments[1].attachmentId)),
            QByteArray("\x89PNG\r\n"));
    }

    void streamingReportsEveryPiece()
    {
        const QByteArray bytes(300000, 'd');
        const AttachmentInfo attachment = m_rig->deliverAttachment(account, u"dados.bin"_s, bytes);
        const auto gmail = client();

        const auto download = [&](QList<QPair<qint64, qint64>>& calls) {
            return gmail->attachmentDataWithProgress(attachment.messageId, attachment.attachmentId,
                                                     [&calls](qint64 r, qint64 e) {
                                                         calls.append({r, e});
                                                     });
        };
        FaultRule slow = TestRig::onAttachmentsOf(u"[^/]+"_s, FaultRule::Kind::SlowChunks);
        slow.chunkBytes = 65536;
        slow.chunkIntervalMs = 5;
        m_google->addFault(slow);
        QList<QPair<qint64, qint64>> chunked;
        QCOMPARE(awaitTask(download(chunked)), bytes);
        QVERIFY(chunked.size() > 1);
        for (qsizetype i = 1; i < chunked.size(); ++i)
            QVERIFY(chunked[i].first > chunked[i - 1].first);
        QCOMPARE(chunked.last().second, 0); // chunked answers announce no length

        m_google->failNext(slow.pathPattern, 404);
        QList<QPair<qint64, qint64>> none;
        const GmailError error = gmailFailure(download(none));
        QCOMPARE(error.reason(), u"notFound"_s);
        QVERIFY(none.isEmpty());

        FaultRule dropped = TestRig::onAttachmentsOf(u"[^/]+"_s, FaultRule::Kind::DropConnection);
        dropped.dropAfterBytes = 1000;
        m_google->addFault(dropped);
        QList<QPair<qint64, qint64>> partial;
        QVERIFY_THROWS_EXCEPTION(NetworkError, awaitTask(download(partial)));

        // Through the client's own transport: a stale token and a passing
        // server error are retried as for any call.
        m_google->clearFaults();
        m_google->failNext(slow.pathPattern, 401, 1);
        m_google->failNext(slow.pathPattern, 503, 1);
        QList<QPair<qint64, qint64>> retried;
        QCOMPARE(awaitTask(download(retried)), bytes);
        QCOMPARE(retried.last().first, retried.last().second);
    }

    void rateLimitsAndServerErrorsAreRetried()
    {
        const auto gmail = client();
        m_google->failNext(u".*/labels"_s, 429, 2);
        QVERIFY(!awaitTask(gmail->labels()).isEmpty());
        QCOMPARE(requestsTo(u"/labels"_s), 3);

        m_google->clearRequests();
        m_google->failNext(u".*/labels"_s, 503, 10);
        QCOMPARE(gmailFailure(gmail->labels()).status(), 503);
        QCOMPARE(requestsTo(u"/labels"_s), 4);
        m_google->clearFaults();

        // A paced client leaves quota refusals to its pacer, not server errors.
        LiveGmailAPI paced(m_transport, std::make_shared<StaticTokenProvider>(m_token),
                           m_rig->gmailEndpoints(),
                           RetryPolicy{4, 5ms, 50ms}.leavingQuotaToPacer());
        m_google->clearRequests();
        m_google->failNext(u".*/labels"_s, 429, 1);
        QVERIFY(gmailFailure(paced.labels()).isRateLimit());
        QCOMPARE(requestsTo(u"/labels"_s), 1);
        m_google->failNext(u".*/labels"_s, 503, 1);
        QVERIFY(!awaitTask(paced.labels()).isEmpty());
        QCOMPARE(requestsTo(u"/labels"_s), 3);

        // A 403 is retried only when its reason is a rate limit.
        m_google->addFault(
            TestRig::answering(u".*/profile"_s, 403, test::googleRefusal("userRateLimitExceeded")));
        QCOMPARE(awaitTask(gmail->profile()).emailAddress, account);
        m_google->addFault(TestRig::answering(u".*/profile"_s, 403,
                                              test::googleRefusal("insufficientPermissions")));
        m_google->clearRequests();
        QCOMPARE(gmailFailure(gmail->profile()).reason(), u"insufficientPermissions"_s);
        QCOMPARE(requestsTo(u"/profile"_s), 1);

        // A send that failed on the server side may have gone out: never repeat it.
        m_google->clearRequests();
        const QByteArray raw =
            TestRig::mail(u"rui@x.pt"_s, u"Olá"_s)
                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
        m_google->failNext(u".*/messages/send"_s, 500, 1);
        QCOMPARE(gmailFailure(gmail->sendMessage(raw, std::nullopt)).status(), 500);
        QCOMPARE(requestsTo(u"/messages/send"_s), 1);
        m_google->failNext(u".*/messages/send"_s, 429, 1);
        awaitTask(gmail->sendMessage(raw, std::nullopt));
        QCOMPARE(requestsTo(u"/messages/send"_s), 3);
        QCOMPARE(m_google->requests().constLast().body, "{\"raw\":\"" + raw + "\"}");
        // A thread id is text and is escaped as such beside the raw message.
        const QString thread = u"t\"1\\"_s;
        awaitTask(gmail->createDraft(raw, thread));
        const QJsonObject draft =
            QJsonDocument::fromJson(m_google->requests().constLast().body)[u"message"].toObject();
        QCOMPARE(draft.value(u"raw").toString().toLatin1(), raw);
        QCOMPARE(draft.value(u"threadId").toString(), thread);
    }
};

QTEST_GUILESS_MAIN(TestGmailClient)
#include "tst_gmailclient.moc"
