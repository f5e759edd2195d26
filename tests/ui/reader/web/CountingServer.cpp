#include "CountingServer.h"

#include <QBuffer>
#include <QImage>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace vesk::test {

namespace {

QByteArray png()
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray reply(const QByteArray& type, const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + type +
           "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

} // namespace

CountingServer::CountingServer(QObject* parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, &CountingServer::accept);
    listen(QHostAddress::LocalHost);
}

QString CountingServer::base() const
{
    return u"http://127.0.0.1:%1"_s.arg(serverPort());
}

void CountingServer::accept()
{
    while (QTcpSocket* socket = nextPendingConnection()) {
        ++m_connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void CountingServer::answer(QTcpSocket* socket)
{
    if (!socket->canReadLine())
        return;
    const QList<QByteArray> requestLine = socket->readLine().trimmed().split(' ');
    socket->readAll();
    const QString path =
        requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_paths.append(path);
    Q_EMIT requested(path);
    if (path.endsWith(u".png"))
        socket->write(reply("image/png", png()));
    else if (path.endsWith(u".css"))
        socket->write(reply("text/css", "body{background:red}"));
    else
        socket->write(reply("text/html", "<p>remote</p>"));
    socket->disconnectFromHost();
}

} // namespace vesk::test
