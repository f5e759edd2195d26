// The OAuth code exchange with its PKCE check, and the per-user quota with
// its moving window, on a clock the test moves. Refresh, revocation and the
// login hint are exercised through the client by the auth and demo suites.

#include "FakeGoogle.h"
#include "TestClient.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QTest>
#include <QUrlQuery>

#include <atomic>

using namespace vesk::fakegoogle;
using namespace vesk::fakegoogle::testing;
using namespace Qt::StringLiterals;

namespace {

const QString s_account = u"ana@exemplo.pt"_s;
const QString s_client = u"cliente.apps.googleusercontent.com"_s;
const QString s_secret = u"GOCSPX-segredo"_s;
// RFC 7636, appendix B.
const QString s_verifier = u"dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"_s;
const QString s_challenge = u"E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"_s;
const QString s_redirect = u"http://127.0.0.1:49152"_s;

} // namespace

class OAuthAndQuotaTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeGoogle> m_google;
    std::unique_ptr<TestClient> m_client;
    std::shared_ptr<std::atomic<qint64>> m_now;

    void advance(qint64 ms) { *m_now += ms; }

    Answer exchange(const QString& code, const QString& verifier)
    {
        QList<QPair<QString, QString>> fields{{u"code"_s, code},
                                              {u"client_id"_s, s_client},
                                              {u"client_secret"_s, s_secret},
                                              {u"redirect_uri"_s, s_redirect},
                                              {u"grant_type"_s, u"authorization_code"_s}};
        if (!verifier.isNull())
            fields.append({u"code_verifier"_s, verifier});
        return m_client->postForm(u"/token"_s, fields);
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
        m_now = std::make_shared<std::atomic<qint64>>(
            QDateTime(QDate(2026, 6, 1), QTime(9, 0), Qt::UTC).toMSecsSinceEpoch());
        m_google->setClock(
            [now = m_now] { return QDateTime::fromMSecsSinceEpoch(now->load(), Qt::UTC); });
        QVERIFY(m_google->start());
        m_google->registerClient(s_client, s_secret);
        m_google->addAccount(s_account, u"Ana Ribeiro"_s);
        m_client = std::make_unique<TestClient>(m_google->baseUrl());
    }

    void pkceCodeExchange_data()
    {
        QTest::addColumn<QString>("verifier");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("matching verifier") << s_verifier << 200 << QString();
        QTest::newRow("wrong verifier")
            << QString(s_verifier).replace(u'd', u'e') << 400 << u"invalid_grant"_s;
        QTest::newRow("missing verifier") << QString() << 400 << u"invalid_grant"_s;
        QTest::newRow("challenge sent as verifier") << s_challenge << 400 << u"invalid_grant"_s;
    }

    void pkceCodeExchange()
    {
        QFETCH(QString, verifier);
        QFETCH(int, status);
        QFETCH(QString, error);
        QUrl consentUrl = m_google->authUrl();
        QUrlQuery query;
        query.setQueryItems(
            {{u"client_id"_s, s_client},
             {u"redirect_uri"_s, s_redirect},
             {u"response_type"_s, u"code"_s},
             {u"scope"_s, u"openid email profile https://www.googleapis.com/auth/gmail.modify"_s},
             {u"state"_s, u"e3b0c442"_s},
             {u"code_challenge"_s, s_challenge},
             {u"code_challenge_method"_s, u"S256"_s}});
        consentUrl.setQuery(query);
        const Answer consent = m_client->getUrl(consentUrl);
        QCOMPARE(consent.status, 302);
        const QUrlQuery back(QUrl(QString::fromUtf8(consent.header("Location"))));
        QCOMPARE(back.queryItemValue(u"state"_s), u"e3b0c442"_s);
        const QString code = back.queryItemValue(u"code"_s, QUrl::FullyDecoded);
        QVERIFY(!code.isEmpty());
        const Answer token = exchange(code, verifier);
        QCOMPARE(token.status, status);
        QCOMPARE(token.json()[u"error"_s].toString(), error);
        if (status != 200)
            return;
        // The access token works on Gmail; a code works only once.
        m_client->setToken(token.json()[u"access_token"_s].toString());
        QCOMPARE(m_client->gmail(u"/profile"_s).json()[u"emailAddress"_s].toString(), s_account);
        QCOMPARE(exchange(code, verifier).json()[u"error"_s].toString(), u"invalid_grant"_s);
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
        m_google->setQuotaModel(QuotaModel(model));
        m_client->setToken(
            m_google->issueTokens(s_account, s_client, std::chrono::hours(1)).accessToken);
        const QString id = m_google->deliverMessage(s_account, "Subject: q\r\n\r\nq\r\n").id;
        const QString path = u"/messages/"_s + id + u"?format=minimal"_s;
        // Spread over the first half of the window: all of it still counts.
        for (int i = 0; i < allowedGets; ++i) {
            if (i == allowedGets / 2)
                advance(windowMs / 2);
            QCOMPARE(m_client->gmail(path).status, 200);
        }
        const Answer refused = m_client->gmail(path);
        QCOMPARE(refused.json()[u"error"_s][u"errors"_s][0][u"reason"_s].toString(),
                 u"rateLimitExceeded"_s);
        const qint64 spent = m_google->unitsSpent(s_account);
        QCOMPARE(spent, qint64(allowedGets) * (model == int(QuotaModel::PerMinute2026) ? 20 : 5));
        // Once the first half has left the window, half the calls fit again.
        advance(windowMs / 2);
        for (int i = 0; i < allowedGets / 2; ++i)
            QCOMPARE(m_client->gmail(path).status, 200);
        QCOMPARE(m_client->gmail(path).status, 429);
        // Cheap calls are charged by their own price.
        m_google->setQuotaModel(QuotaModel::Off);
        m_google->resetUnits();
        m_client->gmail(u"/labels"_s);
        m_client->gmail(u"/history?startHistoryId=1"_s);
        m_client->gmail(u"/threads/"_s + id);
        QCOMPARE(m_google->unitsSpent(s_account), 1 + 2 + 40); // counted on the 2026 table
    }
};

QTEST_GUILESS_MAIN(OAuthAndQuotaTest)
#include "tst_OAuthAndQuota.moc"
