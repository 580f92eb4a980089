#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace orvela::shell::testing {

/// A one-answer HTTP server on 127.0.0.1: every request gets the same status and body. With
/// `hold` set, answers wait until `release()`, so a test can look at a check in flight.
class FeedServer : public QObject {
    Q_OBJECT

public:
    FeedServer();

    QUrl url(const QString& path = QStringLiteral("/appcast.xml")) const;

    int status = 200;
    QByteArray body;
    bool hold = false;
    int requests = 0;
    QByteArray lastRequest;

    void release();

private:
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket);

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_waiting;
};

/// An appcast announcing `version` in the form most feeds use: the versions as attributes of
/// the enclosure.
QByteArray appcastWithEnclosure(const QString& version, const QString& url);

} // namespace orvela::shell::testing
