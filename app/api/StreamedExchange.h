#pragma once

#include "api/CallResult.h"
#include "api/HttpResponseReader.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QAbstractSocket;
class QIODevice;

namespace orvela::api {

class PinnedSessionDelegate;

/// What a streamed exchange is asked to do.
struct StreamedRequest {
    QUrl url;
    QByteArray method;
    /// The request's own fields; Host and "Connection: close" are added.
    QList<QPair<QByteArray, QByteArray>> fields;
    /// The body, read as the connection takes it, and read again for a redirect that keeps it
    /// (307, 308); may be null. Owned by the exchange.
    QIODevice* body = nullptr;
    qint64 replyLimit = 0;
    int idleMs = 0;
    int exchangeMs = 0;
    /// Trust anchors for https; empty: the system's store.
    QList<QSslCertificate> caCertificates;
    /// Whether a redirect from the first address to the second may be followed.
    std::function<bool(const QUrl&, const QUrl&)> mayRedirect;
};

/// How an exchange ended: refused or broken before an answer (`failure`), or answered with
/// `status` and `body` (the body alone may have failed: cut short).
struct ExchangeEnd {
    std::optional<CallError> failure;
    int status = 0;
    CallResult<QByteArray> body = ApiError::incompleteReply();
};

/// One HTTP/1.1 exchange on a connection of its own, for the one reply large enough to matter:
/// the socket's read buffer is small and read only as the reply is taken in, so a server that
/// sends faster, or without end, is held back by TCP rather than buffered in this process.
/// Qt's network thread, by contrast, keeps reading its socket into a buffer without bound
/// while the reply's own buffer is full. TLS is Qt's, with the pin check run on the
/// handshake before a request byte is sent; the time limits, redirects and refusals are the
/// client's, and so are the errors they end in.
class StreamedExchange : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(ExchangeEnd)>;

    /// `pinning` is consulted only for https and must outlive the exchange; `done` runs once,
    /// unless the exchange is aborted first.
    StreamedExchange(StreamedRequest request, const PinnedSessionDelegate& pinning, Done done,
                     QObject* parent = nullptr);
    ~StreamedExchange() override;

    void start();
    /// Hangs up without a word: `done` never runs.
    void abort();

private:
    void connectTo(const QUrl& url);
    void sendRequest();
    void sendBody();
    void readReply();
    void connectionEnded();
    void answered();
    void followRedirect();
    void fail(CallError error);
    void finish(ExchangeEnd end);
    void hangUp();
    QByteArray requestHead() const;

    StreamedRequest m_request;
    const PinnedSessionDelegate& m_pinning;
    Done m_done;
    QUrl m_url;
    QByteArray m_method;
    bool m_sendsBody = true;
    int m_redirectsLeft;
    QPointer<QAbstractSocket> m_socket;
    std::unique_ptr<HttpResponseReader> m_reader;
    QTimer m_idle;
    QTimer m_whole;
    bool m_finished = false;
};

} // namespace orvela::api
