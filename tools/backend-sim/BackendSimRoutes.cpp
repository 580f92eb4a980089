// What the simulated backend answers at each endpoint: sessions started, the phone's approval
// after its delay, status polls, and the signing upload that returns a signed copy.

#include "BackendSim.h"
#include "JsonBody.h"
#include "MultipartForm.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QUrlQuery>
#include <QUuid>

namespace orvela::backendsim {

namespace {

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
