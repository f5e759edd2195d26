// Linking an account over real sockets: the loopback receiver's pages and its
// one wait for the code (answer lengths: fuzz_loopback), then the whole
// authorisation and the token endpoint calls against the Google stand-in.

#include "AwaitTask.h"
#include "TestBrowser.h"
#include "TestRig.h"
#include "ValuesOf.h"
#include "auth/LoopbackReceiver.h"
#include "auth/OAuthError.h"
#include "auth/OAuthService.h"
#include "auth/PKCE.h"
#include "platform/Keychain.h"

#include <QCoroTask>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;
using namespace vesk::fakegoogle;
using namespace std::chrono_literals;

namespace {

struct Answer
{
    QByteArray head;
    QByteArray body;
    int responses = 0;

    QString title() const
    {
        const QString page = QString::fromUtf8(body);
        const qsizetype start = page.indexOf(QLatin1String("<title>")) + 7;
        return page.mid(start, page.indexOf(QLatin1String("</title>")) - start);
    }
    bool says(const QString& text) const { return QString::fromUtf8(body).contains(text); }
};

class Client
{
public:
    /// Connected to the port, the request sent.
    Client(quint16 port, const QByteArray& request)
    {
        QSignalSpy connected(&m_socket, &QTcpSocket::connected);
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        if (connected.wait(5000))
            send(request);
    }
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void leave() { m_socket.abort(); }
    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    /// Everything the receiver sends until it has finished its answer.
    Answer answer()
    {
        QSignalSpy closed(&m_socket, &QTcpSocket::readChannelFinished);
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            closed.wait(5000);
        const QByteArray raw = m_socket.readAll();
        const qsizetype split = raw.indexOf("\r\n\r\n");
        return {raw.left(split), raw.mid(split + 4), int(raw.count("HTTP/1.1 200 OK\r\n"))};
    }

private:
    QTcpSocket m_socket;
};

/// "code:<code>" (or "linked"), or "error:<description>", so that outcomes
/// compare as text.
template <typename T>
QString outcome(QCoro::Task<T>&& task)
{
    try {
        if constexpr (std::is_same_v<T, QString>)
            return u"code:"_s + awaitTask(std::move(task));
        awaitTask(std::move(task));
        return u"linked"_s;
    } catch (const OAuthError& error) {
        return u"error:"_s + error.description();
    }
}

/// A receiver listening, and the wait for a code with the state "S".
struct Listening
{
    LoopbackReceiver receiver;
    const quint16 port = awaitTask(receiver.start());
    QCoro::Task<QString> wait = receiver.waitForCode(u"S"_s);
};

QByteArray get(const QByteArray& target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/html\r\n\r\n";
}

const QString s_cancelled = u"error:Ligação cancelada"_s;
const QString s_linked = u"Conta ligada ao VESK"_s;
const QString s_failed = u"Ligação não concluída"_s;

const QString s_email = u"ana@exemplo.pt"_s;
const QString s_name = u"Ana Sá"_s;

const QString s_gmailScope = u"https://www.googleapis.com/auth/gmail.modify"_s;

/// The page the browser ended on, waiting for it if it is still on its way.
QByteArray pageShown(TestBrowser& browser)
{
    if (browser.lastPage().isEmpty())
        QSignalSpy(&browser, &TestBrowser::pageLoaded).wait(5000);
    return browser.lastPage();
}

std::optional<RecordedRequest> lastRequest(const FakeGoogle& google, const QString& path)
{
    std::optional<RecordedRequest> found;
    for (const RecordedRequest& request : google.requests()) {
        if (request.path == path)
            found = request;
    }
    return found;
}

} // namespace

class OAuthServiceTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersEachRequest_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // empty: the wait goes on

        const QString waiting = u"A aguardar a ligação."_s;
        const QString mismatch = u"O estado da ligação não confere."_s;
        const QString stateError = u"error:Estado OAuth não confere"_s;
        QTest::newRow("site icon") << get("/favicon.ico") << u"VESK"_s << waiting << QString();
        QTest::newRow("code") << get("/?code=abc&state=S&scope=email") << s_linked
                              << u"Pode fechar esta janela e voltar ao VESK."_s << u"code:abc"_s;
        QTest::newRow("encoded code") << get("/?state=S&code=4%2F0Ab%2Bc%20d") << s_linked
                                      << QString() << u"code:4/0Ab+c d"_s;
        QTest::newRow("wrong state")
            << get("/?code=abc&state=T") << s_failed << mismatch << stateError;
        QTest::newRow("no state") << get("/?code=abc") << s_failed << mismatch << stateError;
        QTest::newRow("state without value")
            << get("/?code=abc&state") << s_failed << mismatch << stateError;
        // The user's refusal is told as such; another code of Google's is not repeated.
        const QString refused =
            u"O acesso à conta foi recusado na página da Google, por isso a conta não foi ligada."_s;
        QTest::newRow("error first") << get("/?error=access_denied&code=abc&state=S") << s_failed
                                     << refused << u"error:"_s + refused;
        QTest::newRow("another error") << get("/?error=%3Cb%3Eodd%3C%2Fb%3E&state=S") << s_failed
                                       << u"A Google devolveu um erro."_s
                                       << u"error:A Google não concluiu a ligação (<b>odd</b>)."_s;
        // Any local page could send these: only Google knows the state.
        QTest::newRow("error, wrong state")
            << get("/?error=access_denied&state=T") << s_failed << mismatch << stateError;
        QTest::newRow("error, no state")
            << get("/?error=access_denied") << s_failed << mismatch << stateError;
        QTest::newRow("not UTF-8") << QByteArray("GET /?code=\xff&state=S HTTP/1.1\r\n\r\n")
                                   << u"VESK"_s << waiting << QString();
        QTest::newRow("no target")
            << QByteArray("GET\r\n\r\n") << u"VESK"_s << waiting << QString();
    }

    void answersEachRequest()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, text);
        QFETCH(QString, expected);

        Listening at;
        Client client(at.port, request);
        Answer answer;
        if (expected.isEmpty()) {
            answer = client.answer();
            at.receiver.cancel();
            QCOMPARE(outcome(std::move(at.wait)), s_cancelled);
        } else {
            QCOMPARE(outcome(std::move(at.wait)), expected);
            // A code's page waits for the outcome; the others went at once.
            at.receiver.concludeLinking(std::nullopt);
            answer = client.answer();
        }
        QCOMPARE(answer.responses, 1);
        QVERIFY(answer.head.contains("Content-Type: text/html; charset=utf-8"));
        QVERIFY(answer.head.contains("Connection: close"));
        QTEST(answer.title(), "title");
        QVERIFY(answer.says(text));
        QVERIFY(!answer.says(u"odd"_s));
    }

    void codeRedirectWaitsForTheOutcome()
    {
        const QByteArray redirect = get("/?code=abc&state=S");
        {
            // A failure is told with its reason, escaped; a reload hears the same.
            Listening at;
            Client browser(at.port, redirect);
            Client gone(at.port, redirect);
            QCOMPARE(outcome(std::move(at.wait)), u"code:abc"_s);
            gone.leave();
            const QString reason = u"HTTP 401: {\"error\": \"<invalid_client>\"}"_s;
            QVERIFY(at.receiver.concludeLinking(reason));
            QVERIFY(!at.receiver.concludeLinking(std::nullopt));
            for (const Answer& answer : {browser.answer(), Client(at.port, redirect).answer()}) {
                QCOMPARE(answer.title(), s_failed);
                QVERIFY(answer.says(reason.toHtmlEscaped()));
                QVERIFY(!answer.says(u"<invalid_client>"_s));
            }
        }
        // Out of time while the browser waits: it is told so (cancelled or
        // dropped: browserHearsOfAnEndDuringTheExchange). The redirect is on
        // its way before the wait, and so its time, starts.
        LoopbackReceiver receiver(1s);
        const quint16 port = awaitTask(receiver.start());
        Client browser(port, redirect);
        QCOMPARE(outcome(receiver.waitForCode(u"S"_s)), u"code:abc"_s);
        const Answer late = browser.answer();
        QCOMPARE(late.title(), s_failed);
        QVERIFY(late.says(u"Ligação cancelada"_s));
        QVERIFY(receiver.isConcluded());
    }

    void headIsReadWholeAndBounded()
    {
        Listening at;
        // A valid redirect line followed by more header than any browser sends,
        // and never a blank line: it must neither settle nor buffer without end.
        QByteArray request = "GET /?code=big&state=S HTTP/1.1\r\n";
        while (request.size() < 3 * LoopbackReceiver::s_maxHeadBytes)
            request += "X-Padding: " + QByteArray(100, 'a') + "\r\n";
        QCOMPARE(Client(at.port, request).answer().title(), u"VESK"_s);

        // Cut inside the request line: answering this part alone would read a
        // missing state and settle with a mismatch.
        Client client(at.port, "GET /?code=abc&sta");
        QVERIFY(client.isConnected());
        // A whole request on a second connection lets the receiver read the first part.
        QCOMPARE(Client(at.port, get("/favicon.ico")).answer().title(), u"VESK"_s);
        QVERIFY(!at.wait.isReady());
        client.send("te=S HTTP/1.1\r\nHost: 127.0.0.1\r\n");
        client.send("\r\n");

        QCOMPARE(outcome(std::move(at.wait)), u"code:abc"_s);
        at.receiver.concludeLinking(std::nullopt);
        const Answer answer = client.answer();
        QCOMPARE(answer.responses, 1);
        QCOMPARE(answer.title(), s_linked);
    }

    void laterRedirectsChangeNothing()
    {
        Listening at;
        Client first(at.port, get("/?code=first&state=S"));
        QCOMPARE(outcome(std::move(at.wait)), u"code:first"_s);
        // Still answered with the page that matches, but settling nothing.
        Client second(at.port, get("/?code=second&state=S"));
        QCOMPARE(Client(at.port, get("/?error=access_denied&state=S")).answer().title(), s_failed);
        at.receiver.concludeLinking(std::nullopt);
        QCOMPARE(first.answer().title(), s_linked);
        QCOMPARE(second.answer().title(), s_linked);
        // The settlement was spent on the first wait; a new one does not see "second".
        QCOMPARE(outcome(at.receiver.waitForCode(u"S"_s)), s_cancelled);
    }

    void unsettledWaitEndsCancelled()
    {
        {
            // Cancelled before it listened: it never starts.
            LoopbackReceiver receiver;
            receiver.cancel();
            QVERIFY_THROWS_EXCEPTION(OAuthError, awaitTask(receiver.start()));
            QVERIFY(!receiver.isListening());
        }
        {
            // Dropped while someone waits: the wait ends instead of hanging.
            auto receiver = std::make_unique<LoopbackReceiver>();
            awaitTask(receiver->start());
            auto wait = receiver->waitForCode(u"S"_s);
            receiver.reset();
            QCOMPARE(outcome(std::move(wait)), s_cancelled);
        }
        // Out of time; a redirect after it is answered still, though too
        // late to link anything.
        LoopbackReceiver receiver(50ms);
        const quint16 port = awaitTask(receiver.start());
        QCOMPARE(outcome(receiver.waitForCode(u"S"_s)), s_cancelled);
        const Answer late = Client(port, get("/?code=abc&state=S")).answer();
        QCOMPARE(late.title(), s_failed);
        QVERIFY(late.says(u"Ligação cancelada"_s));
    }

    void listensOnLoopbackOnly()
    {
        LoopbackReceiver receiver;
        const quint16 port = awaitTask(receiver.start());
        QHostAddress outside;
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol)
                outside = address;
        }
        if (outside.isNull())
            QSKIP("this machine has no address besides the loopback one");
        QTcpSocket socket;
        QSignalSpy refused(&socket, &QTcpSocket::errorOccurred);
        socket.connectToHost(outside, port);
        QVERIFY(refused.wait(5000));
        QCOMPARE(socket.error(), QAbstractSocket::ConnectionRefusedError);
    }

    void configTrimsAndNeedsBothValues()
    {
        TestRig rig({{s_email, s_name}});
        OAuthConfig& config = *rig.config();
        config.setClientId(u"  id.apps \n"_s);
        config.setClientSecret(u"\t outro \r\n"_s);
        QCOMPARE(config.clientId(), u"id.apps"_s);
        QCOMPARE(rig.keychain().get(OAuthConfig::secretService(), OAuthConfig::secretAccount()),
                 u"outro"_s);
        QVERIFY(config.isConfigured());
        config.setClientId(u" \n"_s);
        QVERIFY(!config.isConfigured());

        // A blank secret leaves no item behind in the keychain.
        config.setClientId(u"id.apps"_s);
        config.setClientSecret(u"  \n"_s);
        QVERIFY(!rig.keychain().get(OAuthConfig::secretService(), OAuthConfig::secretAccount()));
        QVERIFY(!config.isConfigured());
    }

    // 43 URL-safe characters, RFC 7636's shortest; no verifier or state twice.
    // (The stand-in checks the challenge against the verifier while linking.)
    void pkceValues()
    {
        const QRegularExpression urlSafe(u"^[A-Za-z0-9_-]{43}$"_s);
        QSet<QString> seen;
        for (int i = 0; i < 50; ++i) {
            const QString verifier = PKCE::verifier();
            QVERIFY2(urlSafe.match(verifier).hasMatch(), qPrintable(verifier));
            seen << verifier << PKCE::state();
        }
        QCOMPARE(seen.size(), 100);
    }

    void authorizeLinksTheAccount()
    {
        TestRig rig({{s_email, s_name}});
        auto browser = std::make_shared<TestBrowser>();
        const auto oauth = service(rig, browser);

        const OAuthService::Authorization result = awaitTask(oauth->authorize());

        QCOMPARE(result.identity.email, s_email);
        QCOMPARE(result.identity.name, s_name);
        QVERIFY(!result.tokens.accessToken.isEmpty());
        QVERIFY(!result.tokens.refreshToken.isEmpty());
        QVERIFY(result.tokens.scope.split(u' ').contains(s_gmailScope));
        QCOMPARE(result.tokens.expiresAt, rig.now().addSecs(3599));
        QVERIFY(!oauth->receiver());

        // The browser was sent to the consent page once and ended on our page.
        QVERIFY(pageShown(*browser).contains("<title>Conta ligada ao VESK</title>"));
        QCOMPARE(browser->opened().size(), 1);

        const auto consent = lastRequest(rig.google(), u"/o/oauth2/v2/auth"_s);
        const auto exchange = lastRequest(rig.google(), u"/token"_s);
        QVERIFY(consent && exchange);
        const auto names = valuesOf(consent->query, [](const auto& item) { return item.first; });
        QCOMPARE(names.join(u','), u"client_id,redirect_uri,response_type,scope,"
                                   "access_type,prompt,include_granted_scopes,state,"
                                   "code_challenge,code_challenge_method"_s);
        QCOMPARE(consent->queryValues(u"code_challenge_method"_s).value(0), u"S256"_s);
        // The raw query writes spaces as %20, never as "+".
        QVERIFY(browser->opened()
                    .constFirst()
                    .query(QUrl::FullyEncoded)
                    .contains(QLatin1String("openid%20email%20profile%20https")));

        const QString redirectUri = consent->queryValues(u"redirect_uri"_s).value(0);
        QVERIFY(
            QRegularExpression(u"^http://127\\.0\\.0\\.1:[0-9]+$"_s).match(redirectUri).hasMatch());
        const QUrlQuery form(QString::fromUtf8(exchange->body));
        QCOMPARE(form.queryItemValue(u"redirect_uri"_s, QUrl::FullyDecoded), redirectUri);
        QCOMPARE(form.queryItemValue(u"grant_type"_s), u"authorization_code"_s);
        QCOMPARE(exchange->header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    }

    // What happened and what helps; once the browser went to Google, its
    // page ends saying the same.
    void authorizeFailures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("description"); // a regular expression
        QTest::addColumn<bool>("browserOpened");
        QTest::newRow("not configured")
            << u"no secret"_s << u"^Cliente OAuth não configurado$"_s << false;
        QTest::newRow("no browser")
            << u"no browser"_s << u"^Não foi possível abrir o navegador\\.$"_s << false;
        QTest::newRow("consent refused")
            << u"refuse"_s << u"^O acesso à conta foi recusado na página da Google"_s << true;
        QTest::newRow("wrong client secret")
            << u"wrong secret"_s
            << u"^A Google não aceitou o cliente OAuth \\(invalid_client\\)\\. É preciso "
               u"verificar o Client Secret e o Client ID nas Definições\\.$"_s
            << true;
        QTest::newRow("Gmail permission unticked")
            << u"no Gmail"_s << u"^Falta a permissão do Gmail: .* marcar a permissão do Gmail\\.$"_s
            << true;
        QTest::newRow("profile refused")
            << u"profile 403"_s << u"^HTTP 403: The caller does not have permission$"_s << true;
    }

    void authorizeFailures()
    {
        QFETCH(QString, fault);
        QFETCH(QString, description);
        QFETCH(bool, browserOpened);

        TestRig rig({{s_email, s_name}});
        auto browser = std::make_shared<TestBrowser>();
        if (fault == QLatin1String("no secret"))
            rig.config()->setClientSecret(QString());
        else if (fault == QLatin1String("no browser"))
            browser->setUnavailable(true);
        else if (fault == QLatin1String("refuse"))
            rig.google().refuseConsent();
        else if (fault == QLatin1String("wrong secret"))
            rig.config()->setClientSecret(u"GOCSPX-errado"_s);
        else if (fault == QLatin1String("no Gmail"))
            browser->setDeclinedScope(s_gmailScope);
        else
            rig.google().failNext(u"/gmail/v1/users/me/profile"_s, 403);
        const auto oauth = service(rig, browser);

        QString text;
        try {
            awaitTask(oauth->authorize());
        } catch (const DescribedError& error) {
            text = error.description();
        }
        // Each row has its own pattern; there is no one expression to keep.
        const bool said =
            QRegularExpression(description) // clazy:exclude=use-static-qregularexpression
                .match(text)
                .hasMatch();
        QVERIFY2(said, qPrintable(text));
        QCOMPARE(browser->opened().size(), browserOpened ? 1 : 0);
        QVERIFY(!oauth->receiver());
        if (fault == QLatin1String("refuse"))
            QCOMPARE(rig.requestsEndingWith(u"/token"_s), 0);
        if (fault == QLatin1String("no browser"))
            QCOMPARE(rig.requestsEndingWith(u"/o/oauth2/v2/auth"_s), 0);
        // The page reaches the browser although the attempt, and its receiver, have ended.
        if (browserOpened) {
            QVERIFY(pageShown(*browser).contains("<title>Ligação não concluída</title>"));
            QVERIFY(browser->lastPage().contains(text.toHtmlEscaped().toUtf8()));
        }
    }

    void authorizeCanBeCancelled()
    {
        TestRig rig({{s_email, s_name}});
        auto browser = std::make_shared<TestBrowser>();
        browser->setIdle(true);
        const auto oauth = service(rig, browser);

        auto attempt = oauth->authorize();
        QVERIFY(oauth->receiver() && oauth->receiver()->isListening());
        QCOMPARE(browser->opened().size(), 1);
        const QPointer<LoopbackReceiver> receiver = oauth->receiver();
        oauth->cancel();
        QCOMPARE(outcome(std::move(attempt)), s_cancelled);
        QVERIFY(!oauth->receiver());
        QCOMPARE(rig.requestsEndingWith(u"/token"_s), 0);

        // The listener is closed (the port itself may already serve someone else).
        QVERIFY(!receiver || !receiver->isListening());
    }

    void browserHearsOfAnEndDuringTheExchange_data()
    {
        QTest::addColumn<bool>("destroy"); // else cancel
        QTest::newRow("cancelled") << false;
        QTest::newRow("service dropped") << true;
    }

    void browserHearsOfAnEndDuringTheExchange()
    {
        QFETCH(bool, destroy);

        TestRig rig({{s_email, s_name}});
        // A token endpoint that holds the exchange until the test answers it.
        QTcpServer tokenEndpoint;
        QVERIFY(tokenEndpoint.listen(QHostAddress::LocalHost));
        OAuthEndpoints endpoints = rig.oauthEndpoints();
        endpoints.token = QUrl(u"http://127.0.0.1:%1/token"_s.arg(tokenEndpoint.serverPort()));
        auto browser = std::make_shared<TestBrowser>();
        auto oauth = std::make_unique<OAuthService>(rig.config(), rig.transport(), browser,
                                                    endpoints, rig.gmailEndpoints(), rig.clock());

        auto attempt = oauth->authorize();
        QVERIFY(tokenEndpoint.hasPendingConnections() ||
                QSignalSpy(&tokenEndpoint, &QTcpServer::newConnection).wait(5000));
        QTcpSocket* exchange = tokenEndpoint.nextPendingConnection();
        if (destroy)
            oauth.reset();
        else
            oauth->cancel();
        QVERIFY(pageShown(*browser).contains("<title>Ligação não concluída</title>"));
        QVERIFY(browser->lastPage().contains("Ligação cancelada"));

        // Google's tokens, arriving now, link nothing.
        const QByteArray tokens = R"({"access_token":"a","expires_in":3599,"refresh_token":"r"})";
        exchange->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                        QByteArray::number(tokens.size()) + "\r\nConnection: close\r\n\r\n" +
                        tokens);
        QCOMPARE(outcome(std::move(attempt)), s_cancelled);
        QCOMPARE(rig.requestsEndingWith(u"/gmail/v1/users/me/profile"_s), 0);
    }

    void tokenAnswers_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("outcome"); // a regular expression
        QTest::addColumn<QString>("details"); // a regular expression; empty: not looked at
        const auto row = [](const char* name, int status, const QByteArray& body,
                            const char* outcome, const char* details = "") {
            QTest::newRow(name) << status << body << QString::fromUtf8(outcome)
                                << QString::fromUtf8(details);
        };
        row("minimal", 200, R"({"access_token":"a1","expires_in":3599})", "a1\\|\\|3599\\|");
        row("full", 200,
            R"({"access_token":"a2","expires_in":60,"refresh_token":"r2","scope":"email openid"})",
            "a2\\|r2\\|60\\|email openid");
        row("no lifetime", 200, R"({"access_token":"a3"})", "Descodificação: .*");
        row("lifetime as text", 200, R"({"access_token":"a","expires_in":"3599"})",
            "Descodificação: .*");
        row("not JSON", 200, "<html>", "Descodificação: .*");
        // The sentence comes from Google's code (invalid_grant's: tst_tokenvault);
        // its answer stays as details.
        row("client refused", 401, R"({"error":"unauthorized_client","error_description":"x"})",
            "A Google não aceitou o cliente OAuth \\(unauthorized_client\\)\\. .*",
            "HTTP 401: \\{.*unauthorized_client.*");
        row("another refusal", 400,
            R"({"error":"invalid_request","error_description":"Missing\n  code_verifier"})",
            "HTTP 400: Missing code_verifier", "HTTP 400: \\{.*");
        // 500 characters of two bytes each: cut after 200 characters, not bytes.
        row("long refusal", 400, QString(500, u'é').toUtf8(), "HTTP 400", "HTTP 400: é{200}");
    }

    void tokenAnswers()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, outcome);
        QFETCH(QString, details);

        TestRig rig({{s_email, s_name}});
        FaultRule rule = TestRig::answering(u"/token"_s, status, body);
        rule.headers = {{"Content-Type", "application/json; charset=utf-8"}};
        rig.google().addFault(rule);

        QString text;
        QString told;
        try {
            const TokenSet tokens = awaitTask(
                OAuthService::tokenRequest({{u"grant_type"_s, u"refresh_token"_s}}, rig.transport(),
                                           rig.google().tokenUrl(), rig.clock()));
            text = QStringList{tokens.accessToken, tokens.refreshToken,
                               QString::number(rig.now().secsTo(tokens.expiresAt)), tokens.scope}
                       .join(u'|');
        } catch (const DescribedError& error) {
            text = error.description();
            told = error.details();
        }
        QVERIFY2(QRegularExpression(u"^("_s + outcome + u")$"_s).match(text).hasMatch(),
                 qPrintable(text));
        if (!details.isEmpty())
            QVERIFY2(QRegularExpression(u"^("_s + details + u")$"_s).match(told).hasMatch(),
                     qPrintable(told));
    }

    void revokeEndsTheGrantAndNeverFails()
    {
        TestRig rig({{s_email, s_name}});
        const TokenGrant grant = rig.google().issueTokens(s_email, TestRig::clientId());
        awaitTask(
            OAuthService::revoke(grant.refreshToken, rig.transport(), rig.google().revokeUrl()));
        const auto revocation = lastRequest(rig.google(), u"/revoke"_s);
        QVERIFY(revocation);
        QCOMPARE(QUrlQuery(QString::fromUtf8(revocation->body)).queryItemValue(u"token"_s),
                 grant.refreshToken);

        const FormFields refresh = {{u"grant_type"_s, u"refresh_token"_s},
                                    {u"refresh_token"_s, grant.refreshToken},
                                    {u"client_id"_s, TestRig::clientId()},
                                    {u"client_secret"_s, TestRig::clientSecret()}};
        QVERIFY_THROWS_EXCEPTION(OAuthError,
                                 awaitTask(OAuthService::tokenRequest(refresh, rig.transport(),
                                                                      rig.google().tokenUrl())));

        // A second revocation is refused by Google, and nobody listens on a
        // closed port: neither reaches the caller.
        awaitTask(
            OAuthService::revoke(grant.refreshToken, rig.transport(), rig.google().revokeUrl()));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QUrl nowhere(u"http://127.0.0.1:%1/revoke"_s.arg(closed.serverPort()));
        closed.close();
        awaitTask(OAuthService::revoke(grant.refreshToken, rig.transport(), nowhere));
    }

private:
    std::unique_ptr<OAuthService> service(TestRig& rig, std::shared_ptr<TestBrowser> browser)
    {
        return std::make_unique<OAuthService>(rig.config(), rig.transport(), std::move(browser),
                                              rig.oauthEndpoints(), rig.gmailEndpoints(),
                                              rig.clock());
    }
};

QTEST_GUILESS_MAIN(OAuthServiceTest)
#include "tst_oauthservice.moc"
