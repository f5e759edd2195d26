// The history feed, threading and the search subset: what the sync engine
// relies on to stay in step with a mailbox, and what searches return. Paging
// of lists and history is exercised through the client by the sync tests.

#include "FakeGoogle.h"
#include "SimpleMessage.h"
#include "TestClient.h"

#include <QJsonArray>
#include <QTest>

using namespace vesk::fakegoogle;
using namespace vesk::fakegoogle::testing;
using namespace Qt::StringLiterals;

namespace {

const QString s_ana = u"ana@exemplo.pt"_s;
const QString s_rui = u"rui@exemplo.pt"_s;

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

QString raw64(const QByteArray& raw)
{
    return QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding));
}

// "kind:messageId" for each change in the answer, in order.
QStringList changes(const QJsonObject& answer)
{
    QStringList out;
    const QJsonArray records = answer[u"history"_s].toArray();
    for (const auto& value : records) {
        const QJsonObject record = value.toObject();
        for (const QString& kind :
             {u"messagesAdded"_s, u"messagesDeleted"_s, u"labelsAdded"_s, u"labelsRemoved"_s}) {
            const QJsonArray entries = record[kind].toArray();
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

} // namespace

class HistoryAndSearchTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeGoogle> m_google;
    std::unique_ptr<TestClient> m_client;

    QStringList searchIds(const QString& query)
    {
        const Answer answer = m_client->gmail(u"/messages?q="_s +
                                              QString::fromLatin1(QUrl::toPercentEncoding(query)));
        QStringList ids;
        const QJsonArray refs = answer.json()[u"messages"_s].toArray();
        for (const auto& ref : refs)
            ids.append(ref[u"id"_s].toString());
        return ids;
    }

private Q_SLOTS:
    void cleanup()
    {
        // The client goes first, closing its kept-alive connections, so the
        // server does not wait for them to time out when it stops.
        m_client.reset();
        m_google.reset();
    }

    void init()
    {
        m_google = std::make_unique<FakeGoogle>();
        QVERIFY(m_google->start());
        m_google->registerClient(u"client"_s, u"secret"_s);
        m_google->addAccount(s_ana, u"Ana"_s);
        m_google->addAccount(s_rui, u"Rui"_s);
        m_client = std::make_unique<TestClient>(m_google->baseUrl());
        m_client->setToken(m_google->issueTokens(s_ana, u"client"_s).accessToken);
    }

    void everyChangeIsRecorded()
    {
        const QString start = m_client->gmail(u"/profile"_s).json()[u"historyId"_s].toString();
        const MessageRef first = m_google->deliverMessage(
            s_ana, message(u"Rui <rui@exemplo.pt>"_s, u"Olá"_s, u"Primeira."_s, "h1@x"));
        const Answer modify =
            m_client->gmail("POST", u"/threads/"_s + first.threadId + u"/modify"_s,
                            {{u"addLabelIds"_s, QJsonArray{u"STARRED"_s}},
                             {u"removeLabelIds"_s, QJsonArray{u"UNREAD"_s}}});
        QCOMPARE(modify.status, 200);
        const Answer draft = m_client->gmail(
            "POST", u"/drafts"_s,
            {{u"message"_s,
              QJsonObject{{u"raw"_s, raw64(message(s_ana, u"Rascunho"_s, u"v1"_s, "d1@x"))}}}});
        const QString draftId = draft.json()[u"id"_s].toString();
        const QString draftMessage1 = draft.json()[u"message"_s][u"id"_s].toString();
        const Answer update = m_client->gmail(
            "PUT", u"/drafts/"_s + draftId,
            {{u"message"_s,
              QJsonObject{{u"raw"_s, raw64(message(s_ana, u"Rascunho"_s, u"v2"_s, "d2@x"))}}}});
        const QString draftMessage2 = update.json()[u"message"_s][u"id"_s].toString();
        QVERIFY(draftMessage1 != draftMessage2); // Gmail files each draft version anew
        QCOMPARE(m_client->gmail("POST", u"/threads/"_s + first.threadId + u"/trash"_s).status,
                 200);

        const Answer history = m_client->gmail(u"/history?startHistoryId="_s + start);
        QCOMPARE(history.status, 200);
        QCOMPARE(
            changes(history.json()),
            (QStringList{
                u"messagesAdded:"_s + first.id, u"labelsAdded:"_s + first.id + u":STARRED"_s,
                u"labelsRemoved:"_s + first.id + u":UNREAD"_s, u"messagesAdded:"_s + draftMessage1,
                u"messagesDeleted:"_s + draftMessage1, u"messagesAdded:"_s + draftMessage2,
                u"labelsAdded:"_s + first.id + u":TRASH"_s,
                u"labelsRemoved:"_s + first.id + u":INBOX"_s}));
        // Ids rise strictly; the answer's historyId is the mailbox's current one.
        qulonglong previous = start.toULongLong();
        const QJsonArray records = history.json()[u"history"_s].toArray();
        for (const auto& record : records) {
            QVERIFY(record[u"id"_s].toString().toULongLong() > previous);
            previous = record[u"id"_s].toString().toULongLong();
        }
        QCOMPARE(history.json()[u"historyId"_s].toString().toULongLong(),
                 m_google->historyId(s_ana));
        QCOMPARE(m_google->labelIds(s_ana, first.id), (QStringList{u"STARRED"_s, u"TRASH"_s}));

        // Filtered by type; nothing new since now: no "history" key at all.
        const Answer deleted =
            m_client->gmail(u"/history?historyTypes=messageDeleted&startHistoryId="_s + start);
        QCOMPARE(changes(deleted.json()), QStringList{u"messagesDeleted:"_s + draftMessage1});
        const Answer none = m_client->gmail(u"/history?startHistoryId="_s +
                                            history.json()[u"historyId"_s].toString());
        QVERIFY(!none.json().contains(u"history"_s));
    }

    void sendingThreadsAndDelivers()
    {
        m_google->addLabel(s_ana, u"Trabalho"_s);
        const QByteArray original =
            message(u"Rui <rui@exemplo.pt>"_s, u"Orçamento"_s, u"Vê isto."_s, "orc@x");
        const MessageRef received = m_google->deliverMessage(s_ana, original);
        SimpleMessage reply;
        reply.from = u"Ana <ana@exemplo.pt>"_s;
        reply.to = u"Rui <rui@exemplo.pt>"_s;
        reply.subject = u"Re: Orçamento"_s;
        reply.text = u"Visto."_s;
        reply.inReplyTo = "orc@x";
        const Answer sent = m_client->gmail(
            "POST", u"/messages/send"_s,
            {{u"raw"_s, raw64(reply.toRfc822())}, {u"threadId"_s, received.threadId}});
        QCOMPARE(sent.status, 200);
        QCOMPARE(sent.json()[u"threadId"_s].toString(), received.threadId);
        QCOMPARE(sent.json()[u"labelIds"_s].toArray(), QJsonArray{u"SENT"_s});
        // Without In-Reply-To/References Gmail starts a new thread, threadId or not.
        reply.inReplyTo.clear();
        const Answer loose = m_client->gmail(
            "POST", u"/messages/send"_s,
            {{u"raw"_s, raw64(reply.toRfc822())}, {u"threadId"_s, received.threadId}});
        QVERIFY(loose.json()[u"threadId"_s].toString() != received.threadId);
        // The other local account received both, unread in its inbox.
        QCOMPARE(m_google->messageIds(s_rui).size(), 2);
        QCOMPARE(m_google->labelIds(s_rui, m_google->messageIds(s_rui).first()),
                 (QStringList{u"INBOX"_s, u"UNREAD"_s}));
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected"); // names of the messages below, newest first
        QTest::newRow("free word in subject") << u"fatura"_s << QStringList{u"fatura"_s};
        QTest::newRow("free word ignores accents and case")
            << u"REUNIAO"_s << QStringList{u"reuniao"_s};
        QTest::newRow("free word in body") << u"pastéis"_s << QStringList{u"reuniao"_s};
        QTest::newRow("whole words only") << u"fatur"_s << QStringList{};
        QTest::newRow("from name") << u"from:rui"_s << QStringList{u"fatura"_s, u"reuniao"_s};
        QTest::newRow("to") << u"to:ana@exemplo.pt"_s
                            << QStringList{u"fatura"_s, u"reuniao"_s, u"lida"_s};
        QTest::newRow("subject phrase") << u"subject:\"de equipa\""_s << QStringList{u"reuniao"_s};
        QTest::newRow("is:unread") << u"is:unread"_s << QStringList{u"fatura"_s, u"reuniao"_s};
        QTest::newRow("is:starred") << u"is:starred"_s << QStringList{u"lida"_s};
        QTest::newRow("label by name") << u"label:viagens-acores"_s << QStringList{u"lida"_s};
        QTest::newRow("has:attachment") << u"has:attachment"_s << QStringList{u"fatura"_s};
        QTest::newRow("negation") << u"-from:rui is:unread"_s << QStringList{};
        QTest::newRow("trash hidden") << u"lixo"_s << QStringList{};
        QTest::newRow("in:trash") << u"in:trash"_s << QStringList{u"lixo"_s};
        QTest::newRow("combined") << u"from:rui has:attachment is:unread"_s
                                  << QStringList{u"fatura"_s};
    }

    void search()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        const QString travel = m_google->addLabel(s_ana, u"Viagens/Açores"_s);
        const QDateTime base = QDateTime::currentDateTimeUtc().addDays(-1);
        QHash<QString, QString> names;
        const auto add = [&](const QString& name, const QString& from, const QString& subject,
                             const QString& text, const QStringList& labels) {
            const QByteArray raw =
                message(from, subject, text, name.toLatin1() + "@x", name == u"fatura"_s);
            names[m_google->addMessage(s_ana, raw, labels, base.addSecs(60 * names.size())).id] =
                name;
        };
        add(u"lixo"_s, u"Lixo <lixo@exemplo.pt>"_s, u"Lixo"_s, u"lixo"_s, {u"TRASH"_s});
        add(u"lida"_s, u"Eva <eva@exemplo.pt>"_s, u"Postal"_s, u"Já li."_s,
            {u"INBOX"_s, u"STARRED"_s, travel});
        add(u"reuniao"_s, u"Rui Sá <rui@exemplo.pt>"_s, u"Reunião de equipa"_s,
            u"Levo pastéis de nata."_s, {u"INBOX"_s, u"UNREAD"_s});
        add(u"fatura"_s, u"Rui Sá <rui@exemplo.pt>"_s, u"Fatura de março"_s, u"Em anexo."_s,
            {u"INBOX"_s, u"UNREAD"_s});
        QStringList got;
        for (const QString& id : searchIds(query))
            got.append(names.value(id, id));
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(HistoryAndSearchTest)
#include "tst_HistoryAndSearch.moc"
