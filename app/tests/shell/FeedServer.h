#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace orvela::shell::testing {

/// A one-answer HTTP server on 127.0.0.1: every request gets the same status and body.
class FeedServer : public QObject {
    Q_OBJECT

public:
    FeedServer();

    QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const;

    int status = 200;
    QByteArray body;
    int requests = 0;
    QByteArray lastRequest;

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
};

/// An appcast of `items`.
QByteArray appcast(const QByteArray& items);

/// An appcast announcing `version` in the form most feeds use: the versions as attributes of
/// the enclosure.
QByteArray appcastWithEnclosure(const QString& version, const QString& url);

} // namespace orvela::shell::testing
