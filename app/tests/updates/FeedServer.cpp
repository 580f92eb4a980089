#include "FeedServer.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace orvela::shell::testing {

namespace {

// What the endless mode keeps queued at most, so that the server side stays small too and
// whatever grows is the client's.
constexpr qint64 kQueued = 256 * 1024;
const QByteArray kChunk =
    QByteArray::number(64 * 1024, 16) + "\r\n" + QByteArray(64 * 1024, ' ') + "\r\n";

} // namespace

FeedServer::FeedServer()
{
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl FeedServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void FeedServer::serve(QTcpSocket* socket)
{
    lastRequest += socket->readAll();
    if (!lastRequest.endsWith("\r\n\r\n")) {
        return;
    }
    ++requests;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " X\r\n";
    head += "Content-Type: application/rss+xml\r\nConnection: close\r\n";
    switch (mode) {
    case Mode::whole:
        socket->write(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
                      body);
        socket->disconnectFromHost();
        break;
    case Mode::endlessChunked:
        socket->write(head + "Transfer-Encoding: chunked\r\n\r\n");
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { pour(socket); });
        pour(socket);
        break;
    case Mode::drip: {
        socket->write(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, this, [this, socket] { drip(socket); });
        timer->start(dripIntervalMs);
        break;
    }
    }
}

void FeedServer::pour(QTcpSocket* socket)
{
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < kQueued) {
        socket->write(kChunk);
        bytesSent += kChunk.size();
    }
}

void FeedServer::drip(QTcpSocket* socket)
{
    if (bytesSent < body.size() && socket->state() == QAbstractSocket::ConnectedState) {
        socket->write(body.mid(bytesSent, 1));
        ++bytesSent;
    }
}

QByteArray appcast(const QByteArray& items)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>" +
           items + "</channel></rss>";
}

QByteArray appcastWithEnclosure(const QString& version, const QString& url)
{
    return appcast(QStringLiteral("<item><title>Version %1</title>\n"
                                  "<enclosure url=\"%2\" sparkle:version=\"77\" "
                                  "sparkle:shortVersionString=\"%1\" length=\"100\" "
                                  "type=\"application/octet-stream\"/></item>\n")
                       .arg(version, url)
                       .toUtf8());
}

} // namespace orvela::shell::testing
