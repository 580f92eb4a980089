#include "api/StreamedExchange.h"

#include "api/PinnedSessionDelegate.h"
#include "common/LogCategories.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>

namespace orvela::api {

namespace {

// What the socket may hold unread. It is read on this thread, by the reader that judges every
// byte as it comes, so nothing piles up between the kernel and the reader; while the reader is
// busy Qt stops at this much, the kernel's window fills and TCP holds the server back. Memory
// follows what the client has taken, not what was sent.
constexpr qint64 kSocketBuffer = 64 * 1024;
// How far the request body is written ahead of the connection; the rest stays in the body.
constexpr qint64 kSendAhead = 256 * 1024;
// As many redirects as Qt follows for one request.
constexpr int kMaxRedirects = 50;

/// Qt's own words for what went wrong, as its network stack would report them.
QString qtText(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text);
}

QString canceledText()
{
    return qtText("QNetworkReply", "Operation canceled");
}

/// The error Qt's network stack reports for a socket's error.
QNetworkReply::NetworkError networkError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::UnknownSocketError: // a close with no error at all
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    case QAbstractSocket::SslHandshakeFailedError:
        return QNetworkReply::SslHandshakeFailedError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

TransportError transportError(const QAbstractSocket& socket)
{
    const QNetworkReply::NetworkError code = networkError(socket.error());
    return TransportError{code, socket.error() == QAbstractSocket::UnknownSocketError
                                    ? qtText("QHttp", "Connection closed")
                                    : socket.errorString()};
}

ApiError refusalOf(HttpResponseReader::Failure failure)
{
    switch (failure) {
    case HttpResponseReader::Failure::tooLarge:
        return ApiError::replyTooLarge();
    case HttpResponseReader::Failure::ambiguousFraming:
        return ApiError::malformedReply();
    default:
        return ApiError::invalidResponse();
    }
}

bool isHttps(const QUrl& url)
{
    return url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
}

} // namespace

StreamedExchange::StreamedExchange(StreamedRequest request, const PinnedSessionDelegate& pinning,
                                   Done done, QObject* parent)
    : QObject(parent), m_request(std::move(request)), m_pinning(pinning), m_done(std::move(done)),
      m_url(m_request.url), m_method(m_request.method), m_redirectsLeft(kMaxRedirects)
{
    if (m_request.body != nullptr) {
        m_request.body->setParent(this);
    }
    m_idle.setSingleShot(true);
    m_whole.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        fail(TransportError::timedOutAfter(TransportError::Wait::idle, m_request.idleMs,
                                           canceledText()));
    });
    connect(&m_whole, &QTimer::timeout, this, [this] {
        fail(TransportError::timedOutAfter(TransportError::Wait::exchange, m_request.exchangeMs,
                                           canceledText()));
    });
}

StreamedExchange::~StreamedExchange()
{
    hangUp();
}

void StreamedExchange::start()
{
    m_whole.start(m_request.exchangeMs);
    connectTo(m_url);
}

void StreamedExchange::abort()
{
    m_finished = true;
    m_idle.stop();
    m_whole.stop();
    hangUp();
}

void StreamedExchange::connectTo(const QUrl& url)
{
    m_reader = std::make_unique<HttpResponseReader>(m_request.replyLimit);
    QAbstractSocket* socket = nullptr;
    if (isHttps(url)) {
        auto* tls = new QSslSocket(this);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        if (!m_request.caCertificates.isEmpty()) {
            configuration.setCaCertificates(m_request.caCertificates);
        }
        tls->setSslConfiguration(configuration);
        // Not a request byte leaves before the pins have passed the handshake.
        m_pinning.attach(tls, this, [this](bool accepted) {
            if (accepted) {
                sendRequest();
            } else {
                fail(TransportError{QNetworkReply::OperationCanceledError, canceledText(), true});
            }
        });
        socket = tls;
    } else {
        socket = new QTcpSocket(this);
        connect(socket, &QAbstractSocket::connected, this, &StreamedExchange::sendRequest);
    }
    socket->setReadBufferSize(kSocketBuffer);
    connect(socket, &QIODevice::readyRead, this, &StreamedExchange::readReply);
    connect(socket, &QIODevice::bytesWritten, this, [this] {
        m_idle.start();
        sendBody();
    });
    connect(socket, &QAbstractSocket::disconnected, this, &StreamedExchange::connectionEnded);
    connect(socket, &QAbstractSocket::errorOccurred, this, &StreamedExchange::connectionEnded);
    m_socket = socket;
    // Qt's idle limit runs from the start of the request, connecting included.
    m_idle.start(m_request.idleMs);
    if (auto* tls = qobject_cast<QSslSocket*>(socket)) {
        tls->connectToHostEncrypted(url.host(), static_cast<quint16>(url.port(443)));
    } else {
        socket->connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    }
}

QByteArray StreamedExchange::requestHead() const
{
    QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty()) {
        target = "/";
    }
    if (m_url.hasQuery()) {
        target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    }
    QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) {
        host = '[' + host + ']';
    }
    if (m_url.port() != -1 && m_url.port() != (isHttps(m_url) ? 443 : 80)) {
        host += ':' + QByteArray::number(m_url.port());
    }
    QByteArray head = m_method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto& [name, value] : m_request.fields) {
        const bool describesBody = name.compare("Content-Type", Qt::CaseInsensitive) == 0 ||
                                   name.compare("Content-Length", Qt::CaseInsensitive) == 0;
        if (m_sendsBody || !describesBody) {
            head += name + ": " + value + "\r\n";
        }
    }
    return head + "Connection: close\r\n\r\n";
}

void StreamedExchange::sendRequest()
{
    if (m_finished || !m_socket) {
        return;
    }
    m_socket->write(requestHead());
    if (m_sendsBody && m_request.body != nullptr) {
        m_request.body->reset();
    }
    sendBody();
}

void StreamedExchange::sendBody()
{
    QIODevice* body = m_request.body;
    if (!m_sendsBody || body == nullptr || !m_socket) {
        return;
    }
    while (m_socket->bytesToWrite() < kSendAhead && !body->atEnd()) {
        const QByteArray piece = body->read(kSocketBuffer);
        if (piece.isEmpty()) {
            return;
        }
        m_socket->write(piece);
    }
}

void StreamedExchange::readReply()
{
    if (m_finished || !m_socket) {
        return;
    }
    const qint64 before = m_reader->bodyBytes();
    m_reader->feed(m_socket->readAll());
    // Like Qt's idle limit, only body bytes count as progress: a head that never ends does not.
    if (m_reader->bodyBytes() > before) {
        m_idle.start();
    }
    answered();
}

void StreamedExchange::connectionEnded()
{
    if (m_finished || !m_socket) {
        return;
    }
    m_reader->feed(m_socket->readAll());
    if (m_reader->state() == HttpResponseReader::State::reading) {
        if (!m_reader->headRead()) {
            qCCritical(lcApiClient, "✕ connection ended before an answer");
            fail(transportError(*m_socket));
            return;
        }
        m_reader->end();
        finish({std::nullopt, m_reader->status(), ApiError::incompleteReply()});
        return;
    }
    answered();
}

void StreamedExchange::answered()
{
    switch (m_reader->state()) {
    case HttpResponseReader::State::reading:
        return;
    case HttpResponseReader::State::failed:
        fail(refusalOf(m_reader->failure()));
        return;
    case HttpResponseReader::State::done:
        if (HttpResponseReader::isRedirect(m_reader->status())) {
            followRedirect();
        } else {
            finish({std::nullopt, m_reader->status(), m_reader->takeBody()});
        }
        return;
    }
}

void StreamedExchange::followRedirect()
{
    // Qt's rules and its errors: a target that is no http(s) address, or one redirect too many.
    QUrl target = QUrl::fromEncoded(m_reader->field("Location"));
    if (!target.isValid()) {
        fail(TransportError{QNetworkReply::ProtocolUnknownError,
                            qtText("QHttp", "Unknown protocol specified")});
        return;
    }
    if (m_redirectsLeft-- <= 0) {
        fail(TransportError{QNetworkReply::TooManyRedirectsError,
                            qtText("QHttp", "Too many redirects")});
        return;
    }
    target = m_url.resolved(target);
    const QString scheme = target.scheme().toLower();
    if (scheme != u"http" && scheme != u"https") {
        fail(TransportError{QNetworkReply::ProtocolUnknownError,
                            qtText("QHttp", "Unknown protocol specified")});
        return;
    }
    if (!m_request.mayRedirect(m_request.url, target)) {
        qCCritical(lcApiClient, "✕ redirect to another origin refused");
        fail(ApiError::redirectRefused());
        return;
    }
    // Only these two keep the method and its body; every other redirect becomes a GET.
    const int status = m_reader->status();
    if (status != 307 && status != 308) {
        m_method = QByteArrayLiteral("GET");
        m_sendsBody = false;
    }
    hangUp();
    m_url = target;
    connectTo(target);
}

void StreamedExchange::fail(CallError error)
{
    finish({std::move(error)});
}

void StreamedExchange::finish(ExchangeEnd end)
{
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_idle.stop();
    m_whole.stop();
    hangUp();
    const Done done = std::move(m_done);
    done(std::move(end));
}

void StreamedExchange::hangUp()
{
    if (m_socket) {
        QAbstractSocket* socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

} // namespace orvela::api
