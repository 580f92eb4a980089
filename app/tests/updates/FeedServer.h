#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace orvela::shell::testing {

/// A one-answer HTTP server on 127.0.0.1: every request gets the same status and body, sent
/// whole, or the way a hostile server would send it.
class FeedServer : public QObject {
    Q_OBJECT

public:
    enum class Mode {
        whole,
        /// Chunks without end, written as fast as the client takes them.
        endlessChunked,
        /// The body one byte per `dripIntervalMs`, after an honest Content-Length.
        drip
    };

    FeedServer();

    QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const;

    int status = 200;
    QByteArray body;
    Mode mode = Mode::whole;
    int dripIntervalMs = 100;
    int requests = 0;
    QByteArray lastRequest;
    /// Body bytes written so far in the endless and drip modes.
    qint64 bytesSent = 0;

private:
    void serve(QTcpSocket* socket);
    void pour(QTcpSocket* socket);
    void drip(QTcpSocket* socket);

    QTcpServer m_server;
};

/// An appcast of `items`.
QByteArray appcast(const QByteArray& items);

/// An appcast announcing `version` in the form most feeds use: the versions as attributes of
/// the enclosure.
QByteArray appcastWithEnclosure(const QString& version, const QString& url);

} // namespace orvela::shell::testing
