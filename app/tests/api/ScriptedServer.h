#pragma once

#include <QByteArrayList>
#include <QMap>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

namespace orvela::apitest {

/// One scripted answer: `head` is written as soon as the request is complete; then `endless`
/// is written again and again while the client keeps reading, or the server closes after
/// `closeAfterMs` (negative: never).
struct Script {
    QByteArray head;
    QByteArray endless;
    int closeAfterMs = 0;
    /// Above zero: `endless` is written one byte per this many milliseconds.
    int dripMs = 0;
};

/// An HTTP server on 127.0.0.1 that answers each request path with its script.
class ScriptedServer : public QObject {
public:
    ScriptedServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this] { clientClosed = true; });
            }
        });
    }

    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    quint16 port() const { return m_server.serverPort(); }

    QMap<QByteArray, Script> scripts;
    int connections = 0;
    /// Every request, whole, in the order they came.
    QByteArrayList received;
    bool clientClosed = false;
    qint64 written = 0;

private:
    // Enough to show a client that never stops reading, and little enough to stay harmless.
    static constexpr qint64 kWriteCeiling = 160 * 1024 * 1024;

    void serve(QTcpSocket* socket)
    {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        const qsizetype headEnd = request.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            return;
        }
        static const QRegularExpression length(R"(\r\ncontent-length:\s*(\d+))",
                                               QRegularExpression::CaseInsensitiveOption);
        const auto match = length.match(QString::fromLatin1(request.left(headEnd)));
        const qint64 bodySize = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        if (request.size() < headEnd + 4 + bodySize) {
            return;
        }
        const QByteArray path = request.split(' ').value(1);
        received << request;
        m_requests.remove(socket);
        answer(socket, scripts.value(path, scripts.value("*")));
    }

    void answer(QTcpSocket* socket, const Script& script)
    {
        written += socket->write(script.head);
        if (script.dripMs > 0) {
            drip(socket, script);
            return;
        }
        if (!script.endless.isEmpty()) {
            auto feed = [this, socket, chunk = script.endless] {
                while (socket->bytesToWrite() < 4 * chunk.size() && written < kWriteCeiling) {
                    written += socket->write(chunk);
                }
            };
            connect(socket, &QTcpSocket::bytesWritten, this, feed);
            feed();
        } else if (script.closeAfterMs >= 0) {
            const QPointer<QTcpSocket> alive(socket);
            QTimer::singleShot(script.closeAfterMs, this, [alive] {
                if (alive) {
                    alive->disconnectFromHost();
                }
            });
        }
    }

    void drip(QTcpSocket* socket, const Script& script)
    {
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket,
                [this, socket, byte = script.endless.left(1)] { written += socket->write(byte); });
        timer->start(script.dripMs);
    }

    QTcpServer m_server;
    QMap<QTcpSocket*, QByteArray> m_requests;
};

} // namespace orvela::apitest
