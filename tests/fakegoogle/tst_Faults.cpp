// Faults on demand: later tests lean on them to see the client's error
// handling, so each must show exactly what it promises and then stop.

#include "FakeGoogle.h"
#include "TestClient.h"

#include <QTest>

using namespace vesk::fakegoogle;
using namespace vesk::fakegoogle::testing;
using namespace Qt::StringLiterals;

namespace {
const QString s_account = u"ana@exemplo.pt"_s;
}

class FaultsTest : public QObject
{
    Q_OBJECT

private:
    FakeGoogle m_google;
    std::unique_ptr<TestClient> m_client;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_google.start());
        m_google.registerClient(u"client"_s, u"secret"_s);
        m_google.addAccount(s_account, u"Ana"_s);
        m_client = std::make_unique<TestClient>(m_google.baseUrl());
        m_client->setToken(m_google.issueTokens(s_account, u"client"_s).accessToken);
    }

    void cleanup() { m_google.clearFaults(); }

    void statusFaultsRunOut()
    {
        FaultRule rule;
        rule.pathPattern = u"/gmail/v1/users/me/labels"_s;
        rule.status = 429;
        rule.times = 2;
        rule.headers = {{"Retry-After", "7"}};
        m_google.addFault(rule);
        m_google.failNext(u".*/history"_s, 404);
        for (int i = 0; i < 2; ++i) {
            const Answer limited = m_client->gmail(u"/labels"_s);
            QCOMPARE(limited.status, 429);
            QCOMPARE(limited.header("Retry-After"), QByteArray("7"));
            QCOMPARE(limited.json()[u"error"_s][u"code"_s].toInt(), 429);
        }
        QCOMPARE(m_client->gmail(u"/labels"_s).status, 200);
        QCOMPARE(m_client->gmail(u"/profile"_s).status, 200); // other paths untouched
        QCOMPARE(m_client->gmail(u"/history?startHistoryId=1"_s).status, 404);
        // A 401 fault answers like an invalid token although the token is fine.
        m_google.failNext(u".*/profile"_s, 401);
        const Answer unauthorized = m_client->gmail(u"/profile"_s);
        QCOMPARE(unauthorized.status, 401);
        QCOMPARE(unauthorized.json()[u"error"_s][u"status"_s].toString(), u"UNAUTHENTICATED"_s);
        QCOMPARE(m_client->gmail(u"/profile"_s).status, 200);
    }

    void answersWithoutLengthChunkedOrCut()
    {
        const QByteArray expected = m_client->gmail(u"/labels"_s).body;
        QVERIFY(expected.size() > 500);

        FaultRule noLength;
        noLength.kind = FaultRule::Kind::NoContentLength;
        noLength.pathPattern = u".*/labels"_s;
        // Each rule lasts for its whole step: Qt sends a request again on a
        // fresh connection when the one it picked was being closed, and the
        // repeat must meet the same fault.
        noLength.times = -1;
        m_google.addFault(noLength);
        const Answer unsized = m_client->gmail(u"/labels"_s);
        QCOMPARE(unsized.status, 200);
        QVERIFY(unsized.header("Content-Length").isEmpty());
        QVERIFY(unsized.header("Transfer-Encoding").isEmpty());
        QCOMPARE(unsized.body, expected);
        m_google.clearFaults();

        FaultRule slow;
        slow.kind = FaultRule::Kind::SlowChunks;
        slow.pathPattern = u".*/labels"_s;
        slow.chunkBytes = 100;
        slow.chunkIntervalMs = 5;
        slow.times = -1;
        m_google.addFault(slow);
        const Answer chunked = m_client->gmail(u"/labels"_s);
        QCOMPARE(chunked.header("Transfer-Encoding"), QByteArray("chunked"));
        QCOMPARE(chunked.body, expected);
        m_google.clearFaults();

        FaultRule drop;
        drop.kind = FaultRule::Kind::DropConnection;
        drop.pathPattern = u".*/labels"_s;
        drop.dropAfterBytes = 40;
        m_google.addFault(drop);
        const Answer cut = m_client->gmail(u"/labels"_s);
        QVERIFY(cut.error != QNetworkReply::NoError);
        QVERIFY(cut.body.size() < expected.size());
        QCOMPARE(m_client->gmail(u"/labels"_s).body, expected);
    }

    void requestLogKeepsOrderAndRepeats()
    {
        m_google.clearRequests();
        m_client->gmail(
            u"/messages?maxResults=5&q=is%3Aunread+ol%C3%A1&labelIds=INBOX&labelIds=Label_1"_s);
        const QList<RecordedRequest> log = m_google.requests();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].method, u"GET"_s);
        QCOMPARE(log[0].path, u"/gmail/v1/users/me/messages"_s);
        const QList<QPair<QString, QString>> expected{{u"maxResults"_s, u"5"_s},
                                                      {u"q"_s, u"is:unread olá"_s},
                                                      {u"labelIds"_s, u"INBOX"_s},
                                                      {u"labelIds"_s, u"Label_1"_s}};
        QCOMPARE(log[0].query, expected);
        QVERIFY(log[0].header("authorization").startsWith("Bearer ya29."));
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_Faults.moc"
