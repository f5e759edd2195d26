#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTcpServer>

namespace vesk::test {

/// A web server on 127.0.0.1 that answers everything (a tiny PNG for
/// images, an empty style sheet or page otherwise) and remembers every
/// connection and the path of every request, so that a test can tell what
/// left a page.
class CountingServer final : public QTcpServer
{
    Q_OBJECT

public:
    explicit CountingServer(QObject* parent = nullptr);

    QString base() const;
    int connections() const { return m_connections; }
    const QStringList& paths() const { return m_paths; }

Q_SIGNALS:
    void requested(const QString& path);

private:
    void accept();
    void answer(QTcpSocket* socket);

    int m_connections = 0;
    QStringList m_paths;
};

} // namespace vesk::test
