// The loopback receiver over real sockets: what each browser request gets as
// its page, how the one wait for the code is settled, and how the browser's
// code redirect is held until the linking it started is concluded. (That
// every answer's length is right is fuzz_loopback's to check.)

#include "AwaitTask.h"
#include "auth/LoopbackReceiver.h"
#include "auth/OAuthError.h"

#include <QCoroTask>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;
using vesk::test::awaitTask;

using namespace vesk;
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

Answer parse(const QByteArray& raw)
{
    Answer answer;
    answer.responses = int(raw.count("HTTP/1.1 200 OK\r\n"));
    const qsizetype split = raw.indexOf("\r\n\r\n");
    answer.head = raw.left(split);
    answer.body = raw.mid(split + 4);
    return answer;
}

class Client
{
public:
    Client() = default;
    /// Connected to the port, the request sent.
    Client(quint16 port, const QByteArray& request)
    {
        if (connectTo(port))
            send(request);
    }
    bool connectTo(quint16 port)
    {
        QSignalSpy connected(&m_socket, &QTcpSocket::connected);
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        return connected.wait(5000);
    }
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
        return parse(m_socket.readAll());
    }

private:
    QTcpSocket m_socket;
};

/// "code:<code>" or "error:<description>", so that outcomes compare as text.
QString outcome(QCoro::Task<QString>&& task)
{
    try {
        return u"code:"_s + awaitTask(std::move(task));
    } catch (const OAuthError& error) {
        return u"error:"_s + error.description();
    }
}

quint16 startReceiver(LoopbackReceiver& receiver)
{
    return awaitTask(receiver.start());
}

/// A receiver listening, and the wait for a code with the state "S".
struct Listening
{
    LoopbackReceiver receiver;
    const quint16 port = startReceiver(receiver);
    QCoro::Task<QString> wait = receiver.waitForCode(u"S"_s);
};

QByteArray get(const QByteArray& target)
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: text/html\r\n\r\n";
}

const QString s_cancelled = u"error:Ligação cancelada"_s;
const QString s_linked = u"Conta ligada ao VESK"_s;
const QString s_failed = u"Ligação não concluída"_s;

} // namespace

class LoopbackReceiverTest final : public QObject
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
        QFETCH(QString, title);
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
        QCOMPARE(answer.title(), title);
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
        // Out of time while the browser waits: it is told so. (Cancelled or
        // dropped meanwhile: tst_oauthservice's exchange that never ends.) The
        // redirect is on its way before the wait, and so its time, starts.
        LoopbackReceiver receiver(1s);
        const quint16 port = startReceiver(receiver);
        Client browser(port, redirect);
        QCOMPARE(outcome(receiver.waitForCode(u"S"_s)), u"code:abc"_s);
        const Answer late = browser.answer();
        QCOMPARE(late.title(), s_failed);
        QVERIFY(late.says(u"Ligação cancelada"_s));
        QVERIFY(receiver.isConcluded());
    }

    void splitHeadIsAnsweredOnceComplete()
    {
        Listening at;
        Client client;
        QVERIFY(client.connectTo(at.port));
        // Cut inside the request line: answering this part alone would read a
        // missing state and settle with a mismatch.
        client.send("GET /?code=abc&sta");
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
            QVERIFY_THROWS_EXCEPTION(OAuthError, startReceiver(receiver));
            QVERIFY(!receiver.isListening());
        }
        {
            // Dropped while someone waits: the wait ends instead of hanging.
            auto receiver = std::make_unique<LoopbackReceiver>();
            startReceiver(*receiver);
            auto wait = receiver->waitForCode(u"S"_s);
            receiver.reset();
            QCOMPARE(outcome(std::move(wait)), s_cancelled);
        }
        // Out of time; a redirect after it is answered still, though too
        // late to link anything.
        LoopbackReceiver receiver(50ms);
        const quint16 port = startReceiver(receiver);
        QCOMPARE(outcome(receiver.waitForCode(u"S"_s)), s_cancelled);
        const Answer late = Client(port, get("/?code=abc&state=S")).answer();
        QCOMPARE(late.title(), s_failed);
        QVERIFY(late.says(u"Ligação cancelada"_s));
    }

    void oversizedHeadGetsTheWaitingPage()
    {
        Listening at;
        // A valid redirect line followed by more header than any browser sends,
        // and never a blank line: it must neither settle nor buffer without end.
        QByteArray request = "GET /?code=abc&state=S HTTP/1.1\r\n";
        while (request.size() < 3 * LoopbackReceiver::s_maxHeadBytes)
            request += "X-Padding: " + QByteArray(100, 'a') + "\r\n";
        QCOMPARE(Client(at.port, request).answer().title(), u"VESK"_s);
        Client browser(at.port, get("/?code=real&state=S"));
        QCOMPARE(outcome(std::move(at.wait)), u"code:real"_s);
    }

    void listensOnLoopbackOnly()
    {
        LoopbackReceiver receiver;
        const quint16 port = startReceiver(receiver);
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
};

QTEST_GUILESS_MAIN(LoopbackReceiverTest)
#include "tst_loopbackreceiver.moc"
