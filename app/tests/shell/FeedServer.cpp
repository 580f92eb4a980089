#include "FeedServer.h"

#include <gtest/gtest.h>

namespace orvela::shell::testing {

FeedServer::FeedServer()
{
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
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
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(status) + " X\r\n";
    reply += "Content-Type: application/rss+xml\r\nConnection: close\r\n";
    reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    socket->write(reply);
    socket->disconnectFromHost();
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
