#include "LoopbackReceiver.h"

#include "LoopbackRedirect.h"
#include "OAuthError.h"
#include "PendingText.h"
#include "net/DescribedError.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace vesk {

LoopbackReceiver::LoopbackReceiver(std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent)
    , m_timeoutInterval(timeout)
    , m_timeout(new QTimer(this))
{
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, &LoopbackReceiver::endAsCancelled);
}

LoopbackReceiver::~LoopbackReceiver()
{
    // A waiter must not hang on a receiver that is gone; it resumes later,
    // from the event loop, and touches nothing of ours. A held browser gets
    // its page before the connections go.
    endAsCancelled();
}

QCoro::Task<quint16> LoopbackReceiver::start()
{
    {
        const QMutexLocker lock(&m_lock);
        // Listening opens synchronously here, so a cancel can only come before
        // start or after it; before it, a cancelled receiver stays closed.
        if (m_finished)
            throw OAuthError::cancelled();
    }
    if (m_listener)
        co_return m_listener->serverPort();
    auto* listener = new QTcpServer(this);
    // The loopback interface only: nobody on the network may deliver a code.
    if (!listener->listen(QHostAddress::LocalHost, 0)) {
        const QString reason = listener->errorString();
        delete listener;
        throw NetworkError(reason);
    }
    if (listener->serverPort() == 0) {
        delete listener;
        throw OAuthError::noCode();
    }
    m_listener = listener;
    connect(listener, &QTcpServer::newConnection, this, &LoopbackReceiver::acceptConnections);
    co_return listener->serverPort();
}

QCoro::Task<QString> LoopbackReceiver::waitForCode(QString expectedState)
{
    m_expectedState = std::move(expectedState);
    std::shared_ptr<PendingText> waiter;
    {
        const QMutexLocker lock(&m_lock);
        if (m_finished)
            throw OAuthError::cancelled();
        if (!m_waiter)
            m_waiter = std::make_shared<PendingText>();
        waiter = m_waiter;
    }
    if (!m_timeout->isActive())
        m_timeout->start(m_timeoutInterval);
    // Nothing of this object is touched after the wait: it may be gone by then.
    co_return co_await PendingText::result(std::move(waiter));
}

void LoopbackReceiver::cancel()
{
    endAsCancelled();
    closeListener();
}

void LoopbackReceiver::endAsCancelled()
{
    const OAuthError cancelled = OAuthError::cancelled();
    finishWithError(cancelled);
    // After a code, the settlement above changes nothing; the linking that
    // followed it ends here.
    concludeLinking(cancelled.description());
}

bool LoopbackReceiver::concludeLinking(const std::optional<QString>& failure)
{
    if (m_conclusion)
        return false;
    m_conclusion = failure ? LoopbackRedirect::failureResponse(*failure)
                           : LoopbackRedirect{LoopbackRedirect::Verdict::Code, {}}.response();
    m_timeout->stop();
    for (const QPointer<QTcpSocket>& socket : std::exchange(m_held, {})) {
        if (socket)
            answer(socket, *m_conclusion);
    }
    return true;
}

bool LoopbackReceiver::isListening() const
{
    return m_listener && m_listener->isListening();
}

void LoopbackReceiver::closeListener()
{
    if (m_listener)
        delete m_listener.data();
}

void LoopbackReceiver::acceptConnections()
{
    while (m_listener && m_listener->hasPendingConnections()) {
        QTcpSocket* socket = m_listener->nextPendingConnection();
        // Ours, not the listener's: closing the listener must not cut an answer short.
        socket->setParent(this);
        // Bounded: Qt stops reading from the peer when the buffer is full.
        socket->setReadBufferSize(s_maxHeadBytes);
        m_heads.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readHead(socket); });
        // The peer went away or the connection broke: answer from what arrived.
        connect(socket, &QTcpSocket::readChannelFinished, this,
                [this, socket] { respond(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { respond(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_heads.remove(socket); });
        readHead(socket);
    }
}

void LoopbackReceiver::readHead(QTcpSocket* socket)
{
    const auto entry = m_heads.find(socket);
    if (entry == m_heads.end())
        return; // already answered; whatever else it sends is not read
    QByteArray& head = entry.value();
    head += socket->read(s_maxHeadBytes - head.size());
    // The body of a request is never looked at; an oversized head is answered
    // from what fits instead of being buffered without end.
    if (head.contains("\r\n\r\n") || head.size() >= s_maxHeadBytes)
        respond(socket);
}

void LoopbackReceiver::respond(QTcpSocket* socket)
{
    const auto entry = m_heads.constFind(socket);
    if (entry == m_heads.cend())
        return;
    // A copy: erasing the entry next ends the value it refers to.
    const QByteArray head = entry.value(); // NOLINT(performance-unnecessary-copy-initialization)
    m_heads.erase(entry);

    // An oversized head is not trusted to carry a redirect.
    const LoopbackRedirect redirect = head.size() >= s_maxHeadBytes
                                          ? LoopbackRedirect{}
                                          : LoopbackRedirect::classify(head, m_expectedState);
    switch (redirect.verdict) {
    case LoopbackRedirect::Verdict::Waiting:
        answer(socket, redirect.response());
        break;
    case LoopbackRedirect::Verdict::GoogleError:
        answer(socket, redirect.response());
        finishWithError(OAuthError::googleError(redirect.value));
        break;
    case LoopbackRedirect::Verdict::StateMismatch:
        answer(socket, redirect.response());
        finishWithError(OAuthError::stateMismatch());
        break;
    case LoopbackRedirect::Verdict::Code:
        // Browsers wait for a slow answer; one given now could only guess.
        if (m_conclusion)
            answer(socket, *m_conclusion);
        else
            m_held.append(socket);
        finishWithCode(redirect.value);
        break;
    }
}

void LoopbackReceiver::answer(QTcpSocket* socket, const QByteArray& response)
{
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->deleteLater();
        return;
    }
    // Closing with unread bytes (the rest of an oversized head, a body) would
    // reset the connection and lose the page: drop whatever else arrives.
    socket->setReadBufferSize(0);
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    socket->readAll();
    // Handed to the system at once and our side ended, so that the page and
    // its end reach the browser even when the attempt ends right now and the
    // receiver, with its connections, goes away.
    const auto endOurSide = [socket] {
        if (socket->bytesToWrite() == 0)
            ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, endOurSide);
    socket->write(response);
    socket->flush();
    endOurSide();
}

void LoopbackReceiver::finishWithCode(const QString& code)
{
    std::shared_ptr<PendingText> waiter;
    if (claimSettlement(waiter) && waiter)
        waiter->resolve(code);
}

void LoopbackReceiver::finishWithError(const OAuthError& error)
{
    std::shared_ptr<PendingText> waiter;
    if (!claimSettlement(waiter))
        return;
    if (waiter)
        waiter->reject(std::make_exception_ptr(error));
    // Without a code nothing will be linked: a code redirect that still comes
    // is told so at once.
    concludeLinking(error.description());
}

bool LoopbackReceiver::claimSettlement(std::shared_ptr<PendingText>& waiter)
{
    // Every settlement after the first is ignored. With nobody waiting yet the
    // result is dropped, and a later wait fails with cancelled.
    const QMutexLocker lock(&m_lock);
    if (m_finished)
        return false;
    m_finished = true;
    waiter = std::exchange(m_waiter, nullptr);
    return true;
}

} // namespace vesk
