#pragma once

#include <QByteArray>
#include <QObject>

class QNetworkReply;

namespace orvela::api {

/// Collects a reply's body as it arrives, into one buffer sized from Content-Length. Qt's own
/// read buffer then never holds more than a chunk, and the finished body is not copied once
/// more at the end: a signed 25 MiB document costs one copy of itself, not two.
class ReplyBody : public QObject {
    Q_OBJECT
public:
    /// Starts collecting; the collector is a child of the reply.
    static void attach(QNetworkReply* reply);
    /// Everything the reply delivered, whether or not a collector was attached.
    static QByteArray take(QNetworkReply* reply);

private:
    explicit ReplyBody(QNetworkReply* reply);
    void collect();

    QNetworkReply* m_reply;
    QByteArray m_body;
};

} // namespace orvela::api
