#include "BackendSim.h"

#include "MultipartForm.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMetaEnum>
#include <QPointer>
#include <QRandomGenerator>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <QUuid>

namespace orvela::backendsim {

namespace {

QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray errorBody(const QString& text)
{
    return json(QJsonObject{{QStringLiteral("error"), text}});
}

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

QString randomDigits(int count)
{
    QString out;
    for (int i = 0; i < count; ++i) {
        out += QChar(u'0' + static_cast<char16_t>(QRandomGenerator::global()->bounded(10)));
    }
    return out;
}

QString newToken()
{
    QByteArray bytes(24, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 6);
    // Standard Base64, so that '+', '/' and '=' really travel in queries.
    return QString::fromLatin1(bytes.toBase64());
}

/// A JSON body's string fields; nothing when the body is not an object of them.
std::optional<QJsonObject> jsonObject(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject()) {
        return std::nullopt;
    }
    return document.object();
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

SimOutcome BackendSim::nextOutcome()
{
    if (m_scripted.empty()) {
        return m_defaultOutcome;
    }
    SimOutcome outcome = m_scripted.front();
    m_scripted.pop_front();
    return outcome;
}

BackendSim::Reply BackendSim::route(const RecordedRequest& request)
{
    const QByteArray& method = request.method;
    const QString& path = request.path;
    if (path == u"/api/health" && method == "GET") {
        return Reply{200, "application/json", json({{QStringLiteral("status"), "ok"}})};
    }
    if (path == u"/api/start" && method == "POST") {
        return startSession(QStringLiteral("start"), {}, {});
    }
    if (path == u"/api/login-notify" && method == "POST") {
        const auto body = jsonObject(request.body);
        if (!body || !body->value(QStringLiteral("register")).isString()) {
            return Reply{400, "application/json", errorBody(QStringLiteral("register required"))};
        }
        return startSession(QStringLiteral("login"),
                            body->value(QStringLiteral("register")).toString(), {});
    }
    if (path == u"/api/sign-pdf-start" && method == "POST") {
        const auto body = jsonObject(request.body);
        const QByteArray digest =
            body ? QByteArray::fromBase64(
                       body->value(QStringLiteral("digestB64")).toString().toLatin1())
                 : QByteArray();
        if (!body || digest.size() != 32 || !body->value(QStringLiteral("etsi")).isString() ||
            !body->value(QStringLiteral("fileName")).isString()) {
            return Reply{400, "application/json",
                         errorBody(QStringLiteral("invalid signing request"))};
        }
        return startSession(QStringLiteral("sign"), body->value(QStringLiteral("etsi")).toString(),
                            digest);
    }
    if (path == u"/api/status" && method == "GET") {
        return status(request);
    }
    if (path == u"/api/sign-pdf-download" && method == "POST") {
        return signPdfDownload(request);
    }
    return Reply{404, "application/json", errorBody(QStringLiteral("not_found"))};
}

BackendSim::Reply BackendSim::startSession(const QString& kind, const QString& registerNumber,
                                           const QByteArray& digest)
{
    Session session;
    session.kind = kind;
    session.pollToken = newToken();
    session.vc = randomDigits(4);
    session.registerNumber = registerNumber;
    session.digest = digest;
    session.outcome = nextOutcome();
    session.started.start();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_sessions.insert(id, session);

    QJsonObject reply{{QStringLiteral("sessionId"), id},
                      {QStringLiteral("vc"), session.vc},
                      {QStringLiteral("pollToken"), session.pollToken}};
    if (kind == u"start") {
        reply.insert(QStringLiteral("qr"), QStringLiteral("nuvia://auth?session=") + id);
        reply.insert(QStringLiteral("deviceLinkBase"), QStringLiteral("nuvia://auth"));
    }
    return Reply{200, "application/json", json(reply)};
}

bool BackendSim::approved(const Session& session) const
{
    const int delay =
        session.outcome.approveAfterMs >= 0 ? session.outcome.approveAfterMs : m_approveAfterMs;
    return session.started.elapsed() >= delay;
}

BackendSim::Reply BackendSim::status(const RecordedRequest& request)
{
    const QUrlQuery query(QString::fromLatin1(request.rawQuery));
    const QString id = query.queryItemValue(QStringLiteral("sessionId"), QUrl::FullyDecoded);
    const QString token = query.queryItemValue(QStringLiteral("pollToken"), QUrl::FullyDecoded);
    const auto it = m_sessions.constFind(id);
    if (it == m_sessions.constEnd()) {
        return Reply{404, "application/json", errorBody(QStringLiteral("session not found"))};
    }
    if (it->pollToken != token) {
        return Reply{403, "application/json", errorBody(QStringLiteral("invalid poll token"))};
    }
    if (!approved(*it)) {
        return Reply{200, "application/json", json({{QStringLiteral("state"), "RUNNING"}})};
    }
    const SimOutcome& outcome = it->outcome;
    if (outcome.error) {
        return Reply{200, "application/json",
                     json({{QStringLiteral("state"), "COMPLETE"},
                           {QStringLiteral("error"), *outcome.error}})};
    }
    QJsonObject reply{{QStringLiteral("state"), "COMPLETE"},
                      {QStringLiteral("endResult"), outcome.endResult}};
    if (outcome.endResult == u"OK") {
        reply.insert(QStringLiteral("name"), outcome.name);
        const QString asked = it->registerNumber;
        reply.insert(
            QStringLiteral("idNumber"),
            outcome.idNumber.value_or(asked.isEmpty() ? outcome.approverRegisterNumber : asked));
        reply.insert(QStringLiteral("documentNumber"), outcome.documentNumber);
        reply.insert(QStringLiteral("certificateLevel"), outcome.certificateLevel);
    }
    return Reply{200, "application/json", json(reply)};
}

BackendSim::Reply BackendSim::signPdfDownload(const RecordedRequest& request)
{
    const auto form = MultipartForm::parse(request.header("Content-Type"), request.body);
    if (!form || form->fileField != u"file") {
        return Reply{400, "application/json", errorBody(QStringLiteral("malformed upload"))};
    }
    const QString id = QString::fromUtf8(form->fields.value(QStringLiteral("sessionId")));
    const auto it = m_sessions.constFind(id);
    if (it == m_sessions.constEnd() || it->kind != u"sign") {
        return Reply{404, "application/json", errorBody(QStringLiteral("session not found"))};
    }
    if (QString::fromUtf8(form->fields.value(QStringLiteral("pollToken"))) != it->pollToken) {
        return Reply{403, "application/json", errorBody(QStringLiteral("invalid poll token"))};
    }
    if (!approved(*it) || it->outcome.endResult != u"OK" || it->outcome.error) {
        return Reply{409, "application/json", errorBody(QStringLiteral("session not approved"))};
    }
    if (QCryptographicHash::hash(form->file, QCryptographicHash::Sha256) != it->digest) {
        return Reply{409, "application/json", errorBody(QStringLiteral("digest mismatch"))};
    }
    try {
        return Reply{
            200, "application/pdf",
            m_signer->sign(form->file, it->registerNumber, it->outcome.name, it->outcome.copy)};
    } catch (const pades::PadesError&) {
        return Reply{422, "application/json",
                     errorBody(QStringLiteral("document cannot be signed"))};
    }
}

} // namespace orvela::backendsim
