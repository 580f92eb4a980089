// The simulator's server plumbing: listening over HTTP or HTTPS, recording each request,
// injected faults and scripted replies, and writing the reply on the socket. What each endpoint
// answers is in BackendSimRoutes.cpp.

#include "BackendSim.h"

#include "JsonBody.h"

#include <QDateTime>
#include <QHttpServerRequest>
#include <QLocale>
#include <QMetaEnum>
#include <QPointer>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

namespace orvela::backendsim {

namespace {

QByteArray methodName(QHttpServerRequest::Method method)
{
    return QByteArray(QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(
                          static_cast<int>(method)))
        .toUpper();
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 409:
        return "Conflict";
    case 422:
        return "Unprocessable Content";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    default:
        return "Status";
    }
}

} // namespace

BackendSim::BackendSim(QObject* parent)
    : QAbstractHttpServer(parent), m_signer(std::make_unique<SimSigner>())
{}

BackendSim::~BackendSim() = default;

bool BackendSim::useStateDirectory(const QString& directory)
{
    try {
        m_signer = std::make_unique<SimSigner>(directory);
        return true;
    } catch (const pades::PadesError&) {
        return false;
    }
}

void BackendSim::useTls(const QList<QSslCertificate>& chain, const QSslKey& key)
{
    m_chain = chain;
    m_key = key;
}

quint16 BackendSim::start(const QHostAddress& address, quint16 port)
{
    if (m_chain.isEmpty()) {
        m_port = listen(address, port);
        return m_port;
    }
    auto* server = new QSslServer(this);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(m_chain);
    tls.setPrivateKey(m_key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    server->setSslConfiguration(tls);
    if (!server->listen(address, port)) {
        delete server;
        return 0;
    }
    bind(server);
    m_port = server->serverPort();
    return m_port;
}

QString BackendSim::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_chain.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"))
        .arg(m_port);
}

void BackendSim::injectFault(SimFault fault, const QString& path, int count, int delayMs)
{
    m_faults.append(Fault{fault, path, count, delayMs, std::nullopt});
}

void BackendSim::injectResponse(const QString& path, int status, const QByteArray& contentType,
                                const QByteArray& body, int count)
{
    m_faults.append(
        Fault{SimFault::malformedJson, path, count, 0, Reply{status, contentType, body}});
}

void BackendSim::addResponseHeader(const QByteArray& name, const QByteArray& value)
{
    m_extraHeaders.append({name, value});
}

QList<RecordedRequest> BackendSim::requestsTo(const QString& path) const
{
    QList<RecordedRequest> out;
    for (const RecordedRequest& request : m_requests) {
        if (request.path == path) {
            out.append(request);
        }
    }
    return out;
}

std::optional<BackendSim::Fault> BackendSim::takeFault(const QString& path)
{
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        Fault& fault = m_faults[i];
        if (fault.path.isEmpty() || fault.path == path) {
            const Fault taken = fault;
            if (--fault.remaining <= 0) {
                m_faults.removeAt(i);
            }
            return taken;
        }
    }
    return std::nullopt;
}

bool BackendSim::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    RecordedRequest recorded;
    recorded.method = methodName(request.method());
    recorded.path = request.url().path();
    recorded.rawQuery = request.url().query(QUrl::FullyEncoded).toLatin1();
    recorded.query = QUrlQuery(request.url()).queryItems(QUrl::FullyDecoded);
    recorded.headers = request.headers();
    recorded.body = request.body();
    recorded.peerPort = socket->peerPort();
    m_requests.append(recorded);
    emit requestReceived(recorded);

    const auto fault = takeFault(recorded.path);
    if (!fault) {
        respond(socket, route(recorded));
        return true;
    }
    if (fault->reply) {
        respond(socket, *fault->reply);
        return true;
    }
    switch (fault->fault) {
    case SimFault::rateLimited:
        respond(socket, Reply{429, "application/json", errorBody(QStringLiteral("rate_limited"))});
        break;
    case SimFault::serverText:
        respond(socket, Reply{500, "text/plain; charset=utf-8", "simulated failure"});
        break;
    case SimFault::badGatewayJson:
        respond(socket,
                Reply{502, "application/json", errorBody(QStringLiteral("upstream unavailable"))});
        break;
    case SimFault::malformedJson:
        respond(socket, Reply{200, "application/json", "{\"sessionId\": "});
        break;
    case SimFault::drop:
        socket->abort();
        break;
    case SimFault::slow: {
        const Reply reply = route(recorded);
        QPointer<QTcpSocket> target(socket);
        QTimer::singleShot(fault->delayMs, this, [this, target, reply] {
            if (target) {
                respond(target, reply);
            }
        });
        break;
    }
    }
    return true;
}

void BackendSim::missingHandler(const QHttpServerRequest&, QTcpSocket* socket)
{
    respond(socket, Reply{404, "application/json", errorBody(QStringLiteral("not_found"))});
}

void BackendSim::respond(QTcpSocket* socket, const Reply& reply)
{
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    const QDateTime now = QDateTime::currentDateTimeUtc().addSecs(m_clockSkewSeconds);
    head +=
        "Date: " +
        QLocale::c().toString(now, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'")).toLatin1() +
        "\r\n";
    for (const auto& [name, value] : m_extraHeaders) {
        head += name + ": " + value + "\r\n";
    }
    socket->write(head + "\r\n");
    socket->write(reply.body);
}

} // namespace orvela::backendsim
