// The backend client over real HTTP on 127.0.0.1: against the simulator, what goes on the wire
// and where, how replies become values or errors, polling, the signing upload, time limits
// and cancellation; against a scripted raw server, bodies cut short or without end and
// redirects elsewhere.

#include "EndlessChunkedServer.h"
#include "MultipartForm.h"
#include "Pades.h"
#include "TestSupport.h"
#include "api/ErrorResponse.h"
#include "api/HttpResponseReader.h"
#include "api/LoginNotifyResponse.h"
#include "api/MultipartBody.h"
#include "api/ReplyBody.h"
#include "api/SignPdfStartResponse.h"
#include "api/StartResponse.h"
#include "common/SettingsKeys.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

using namespace orvela;
using namespace orvela::api;
using namespace std::chrono_literals;
using orvela::apitest::ApiFixture;
using orvela::apitest::EndlessChunkedServer;
using orvela::apitest::runEventLoopFor;
using orvela::apitest::waitUntil;
using orvela::backendsim::SimFault;
using orvela::backendsim::SimOutcome;

namespace {

QStringList g_logged;

void keepLogLine(QtMsgType, const QMessageLogContext&, const QString& text)
{
    static QMutex mutex; // Qt's network threads may log too
    const QMutexLocker lock(&mutex);
    g_logged << text;
}

class ClientTest : public ApiFixture {
protected:
    void SetUp() override
    {
        ApiFixture::SetUp();
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
        m_client = makeClient();
    }

    QString startMessage()
    {
        const auto reply = sendAndWait<StartResponse>(*m_client, Endpoint::start());
        return reply.ok() ? QStringLiteral("ok") : errorMessage(reply.error());
    }

    LoginNotifyResponse signIn(const SimOutcome& outcome)
    {
        m_sim->scriptNextOutcome(outcome);
        const auto reply =
            sendAndWait<LoginNotifyResponse>(*m_client, Endpoint::loginNotify("УБ99112233"));
        EXPECT_TRUE(reply.ok());
        return reply.ok() ? reply.value() : LoginNotifyResponse{};
    }

    CallResult<StatusResponse> pollAndWait(const LoginNotifyResponse& session,
                                           std::chrono::milliseconds limit = 300s)
    {
        std::optional<CallResult<StatusResponse>> result;
        m_client->pollStatus(session.sessionId, session.pollToken.value_or(QString()), limit,
                             &m_context, [&](CallResult<StatusResponse> r) { result.emplace(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, 20'000));
        return result.value_or(CallResult<StatusResponse>(APIError::invalidResponse()));
    }

    qsizetype statusRequests() const { return m_sim->requestsTo("/api/status").size(); }

    std::unique_ptr<APIClient> m_client;
};

TEST_F(ClientTest, EachCallHasItsMethodPathBodyAndTheFixedHeadersButNoCookie)
{
    m_sim->addResponseHeader("Set-Cookie", "sid=abc123; Path=/");
    const QString digest = QString::fromLatin1(QByteArray(32, '\x07').toBase64());
    // Awkward on purpose: the query must keep its order and encode every one of them.
    const QString id = QStringLiteral("a b&c=d");
    const QString token = QStringLiteral("secret7x+y/z==é#?");
    const QtMessageHandler previousHandler = qInstallMessageHandler(keepLogLine);
    ASSERT_TRUE(
        sendAndWait<LoginNotifyResponse>(*m_client, Endpoint::loginNotify("УБ99112233")).ok());
    ASSERT_TRUE(sendAndWait<SignPdfStartResponse>(
                    *m_client, Endpoint::signPdfStart("PNOMN-УБ99112233", digest, "гэрээ.pdf"))
                    .ok());
    ASSERT_TRUE(sendAndWait<StartResponse>(*m_client, Endpoint::start()).ok());
    sendAndWait<StatusResponse>(*m_client, Endpoint::status(id, token));
    qInstallMessageHandler(previousHandler);

    const struct {
        QByteArray method;
        QString path;
        QJsonObject body; // empty: no body at all
    } expected[] = {
        {"POST", "/api/login-notify", {{"register", "УБ99112233"}}},
        {"POST",
         "/api/sign-pdf-start",
         {{"etsi", "PNOMN-УБ99112233"},
          {"digestB64", digest},
          {"fileName", "гэрээ.pdf"},
          {"callbackUrl", ""}}},
        {"POST", "/api/start", {}},
        {"GET", "/api/status", {}},
    };
    ASSERT_EQ(m_sim->requests().size(), 4);
    for (int i = 0; i < 4; ++i) {
        const auto& request = m_sim->requests()[i];
        const auto& want = expected[i];
        SCOPED_TRACE(want.path.toStdString());
        EXPECT_EQ(request.method, want.method);
        EXPECT_EQ(request.path, want.path);
        EXPECT_EQ(request.header("Accept"), "application/json");
        EXPECT_EQ(request.header("User-Agent"), "Orvela-Desktop/1.0");
        EXPECT_FALSE(request.hasHeader("Cookie"));
        EXPECT_FALSE(request.hasHeader("Authorization"));
        EXPECT_EQ(request.hasHeader("Content-Type"), !want.body.isEmpty());
        EXPECT_EQ(QJsonDocument::fromJson(request.body).object(), want.body);
        EXPECT_EQ(request.body.isEmpty(), want.body.isEmpty());
    }
    const auto& status = m_sim->requests()[3];
    EXPECT_EQ(status.rawQuery,
              "sessionId=a%20b%26c%3Dd&pollToken=secret7x%2By%2Fz%3D%3D%C3%A9%23%3F");
    EXPECT_EQ(status.query,
              (QList<QPair<QString, QString>>{{"sessionId", id}, {"pollToken", token}}));
    // Exchanges are logged by path alone: no poll token, no body.
    ASSERT_FALSE(g_logged.isEmpty());
    for (const QString& line : std::as_const(g_logged)) {
        EXPECT_FALSE(line.contains("secret7x") || line.contains("УБ99112233"))
            << line.toStdString();
    }
}

TEST_F(ClientTest, TheBaseUrlIsTheFixedOneElseTheSettingElseTheEnvironmentTrimmed)
{
    const struct {
        const char* fixed;
        const char* setting;
        const char* environment;
        const char* expected;
    } cases[] = {
        {"", " https://b.example//\t ", "https://env.example", "https://b.example"},
        {"", " \t ", "\thttp://127.0.0.1:9/ ", "http://127.0.0.1:9"},
        {"", "", "", "https://api.nuvia.example"},
        {" http://127.0.0.1:1// ", "https://settings.example", "https://env.example",
         "http://127.0.0.1:1"},
    };
    for (const auto& c : cases) {
        m_settings->setValue(settings::apiBaseUrlOverride.toString(), c.setting);
        qputenv("API_BASE_URL", c.environment);
        APIClientOptions options;
        options.fixedBaseUrl = c.fixed;
        EXPECT_EQ(makeClient(options)->baseURL(), c.expected) << c.setting << c.environment;
        // Every request asks anew, so a changed setting applies to a client made before it.
        if (*c.fixed == '\0') {
            EXPECT_EQ(m_client->baseURL(), c.expected) << c.setting << c.environment;
        }
    }
    qunsetenv("API_BASE_URL");
}

TEST_F(ClientTest, EveryFailingStatusCarriesTheBackendMessageOrItsBestSubstitute)
{
    const QString invalid = QStringLiteral("Серверийн хариу буруу байна.");
    const struct {
        int status;
        QByteArray type;
        QByteArray body;
        QString expected;
    } cases[] = {
        {400, "application/json", R"({"error":"register invalid"})",
         "Сервер алдаа (400): register invalid"},
        {500, "text/plain", "abc", "Сервер алдаа (500): abc"},
        {500, "text/plain", "", "Сервер алдаа (500): Unknown error"},
        {502, "application/json", R"({"error":""})", R"(Сервер алдаа (502): {"error":""})"},
        {404, "application/json", R"({"error":7})", R"(Сервер алдаа (404): {"error":7})"},
        // Qt files each of these under a different error range; all are the backend's answers.
        {401, "text/plain", "no", "Сервер алдаа (401): no"},
        {407, "text/plain", "no", "Сервер алдаа (407): no"},
        {418, "text/plain", "no", "Сервер алдаа (418): no"},
        {599, "text/plain", "no", "Сервер алдаа (599): no"},
        // Decoded like a success: a 304 has no body, but it is no server error either.
        {304, "application/json", "", invalid},
        {200, "application/json", R"({"sessionId":"s","vc":"1"})", invalid},
        {200, "application/json", R"({"sessionId":"s","qr":"q","vc":5})", invalid},
        {203, "application/json", R"({"sessionId":"s","qr":"q","extra":[1,2]})", "ok"},
        // A key given twice is two answers in one reply; colons in strings and nested objects
        // are no keys of the reply.
        {200, "application/json", R"({"sessionId":"s","qr":"q","sessionId":"t"})", invalid},
        {200, "application/json", R"({"sessionId":"s","qr":"q","s\u0065ssionId":"t"})", invalid},
        {200, "application/json", R"({"sessionId":"s:1","qr":"\":{","x":{"a":{"b":":"}}})", "ok"},
    };
    for (const auto& c : cases) {
        m_sim->injectResponse("/api/start", c.status, c.type, c.body);
        EXPECT_EQ(startMessage(), c.expected) << c.status << " " << c.body.toStdString();
    }
}

TEST(ErrorBodyRule, ExcerptIsTheFirst300BytesAndMustBeWholeUtf8)
{
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(301, 'x')), QString(300, u'x'));
    // "ө" is two bytes; 299 ASCII bytes plus it cuts the character in half at byte 300.
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(299, 'x') + "ө" + "tail"), "Unknown error");
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(298, 'x') + "ө" + "tail"),
              QString(298, u'x') + u'ө');
    EXPECT_EQ(ErrorResponse::messageFor("\xff\xfe"), "Unknown error");
}

TEST_F(ClientTest, IdleAndWholeExchangeLimitsEndStalledReplies)
{
    APIClientOptions idle;
    idle.timeouts.requestIdleMs = 1000;
    APIClientOptions whole;
    whole.timeouts.exchangeMs = 1000;
    const struct {
        APIClientOptions options;
        TransportError::Wait wait;
        QString expected;
    } cases[] = {
        {idle, TransportError::Wait::idle, "Timed out: the server sent nothing for 1 s."},
        {whole, TransportError::Wait::exchange,
         "Timed out: the exchange with the server took longer than 1 s."},
    };
    for (const auto& [options, wait, expected] : cases) {
        auto client = makeClient(options);
        m_sim->injectFault(SimFault::slow, "/api/start", 1, 4000);
        const auto stalled = sendAndWait<StartResponse>(*client, Endpoint::start());
        ASSERT_NE(stalled.transportError(), nullptr);
        EXPECT_EQ(stalled.transportError()->code, QNetworkReply::TimeoutError);
        // Which wait ran out and its limit, never Qt's "Operation canceled".
        EXPECT_EQ(stalled.transportError()->timedOut, wait);
        EXPECT_EQ(stalled.transportError()->limitMs, 1000);
        EXPECT_EQ(errorMessage(stalled.error(), common::AppLanguage::en), expected);
        EXPECT_TRUE(errorMessage(stalled.error()).startsWith("Хугацаа хэтэрлээ"));
        EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    }
}

TEST_F(ClientTest, HealthIsTrueOnlyFor2xxAndAnUnusableUrlFailsEveryCallWithoutSending)
{
    EXPECT_TRUE(healthAndWait(*m_client));
    EXPECT_EQ(m_sim->requestsTo("/api/health").value(0).method, "GET");
    const std::pair<int, bool> statuses[] = {{204, true}, {299, true}, {304, false}, {503, false}};
    for (const auto& [status, healthy] : statuses) {
        m_sim->injectResponse("/api/health", status, "text/plain", {});
        EXPECT_EQ(healthAndWait(*m_client), healthy) << status;
    }

    // Plain http:// is the simulator's own scheme; with pinning on it would bypass the pins.
    const struct {
        QString base;
        bool pinning;
        QString expected;
    } unusable[] = {
        {"http://bad host", false, "Серверийн хариу буруу байна."},
        {m_sim->baseUrl(), true, errorMessage(APIError::plainHttpRefused())},
    };
    for (const auto& c : unusable) {
        m_sim->clearRequests();
        m_settings->setValue("API_BASE_URL_OVERRIDE", c.base);
        m_settings->setValue(settings::securityTlsPinning.toString(), c.pinning);
        EXPECT_EQ(startMessage(), c.expected);
        const auto upload = uploadAndWait(*m_client, {}, "a.pdf", "x");
        EXPECT_EQ(errorMessage(upload.error()), c.expected);
        EXPECT_FALSE(healthAndWait(*m_client));
        EXPECT_TRUE(m_sim->requests().isEmpty());
    }

    // With pinning off, plain http:// is used but said in the log, except on this computer.
    m_settings->setValue(settings::securityTlsPinning.toString(), false);
    const std::pair<QString, bool> plain[] = {
        {m_sim->baseUrl(), false},
        {"http://localhost:1", false},
        {"http://192.0.2.1:1", true}, // TEST-NET-1: never routed, so nothing leaves
    };
    for (const auto& [base, warned] : plain) {
        m_settings->setValue("API_BASE_URL_OVERRIDE", base);
        g_logged.clear();
        const QtMessageHandler previousHandler = qInstallMessageHandler(keepLogLine);
        EXPECT_FALSE(m_client->refusePlainHttp(QUrl(base)).has_value());
        qInstallMessageHandler(previousHandler);
        EXPECT_EQ(g_logged.join(u'\n').contains(QStringLiteral("plain http://")), warned)
            << base.toStdString();
    }
}

// A poll goes on while the phone has not answered and ends at its answer, at an error or at its
// deadline; no request follows.
TEST_F(ClientTest, APollEndsAtTheAnswerAnErrorOrTheDeadline)
{
    const auto session = signIn(SimOutcome{});
    const QString timedOut = errorMessage(APIError::timeout());
    const struct {
        int running;     // "RUNNING" replies ahead of the simulator's own
        QByteArray then; // a reply after those, if any
        QString pollToken;
        std::chrono::milliseconds limit;
        QString expected;   // the end result, or the error's message
        qsizetype requests; // -1: as many as fit in the limit
    } cases[] = {
        {1, {}, *session.pollToken, 300s, "OK", 2},
        {1, R"({"error":"phone unreachable"})", *session.pollToken, 300s,
         "Сервер алдаа (200): phone unreachable", 2},
        {0, {}, "wrong", 300s, "Сервер алдаа (403): invalid poll token", 1},
        {0, R"({"error":""})", *session.pollToken, 300s, "OK", 2}, // an empty text is no error
        {0, {}, *session.pollToken, 0ms, timedOut, 0},
        {1000, {}, *session.pollToken, 1000ms, timedOut, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        m_sim->clearRequests();
        if (c.running > 0) {
            m_sim->injectResponse("/api/status", 200, "application/json", R"({"state":"RUNNING"})",
                                  c.running);
        }
        if (!c.then.isEmpty()) {
            m_sim->injectResponse("/api/status", 200, "application/json", c.then);
        }
        auto polled = session;
        polled.pollToken = c.pollToken;
        const auto result = pollAndWait(polled, c.limit);
        EXPECT_EQ(result.ok() ? result.value().endResult : errorMessage(result.error()),
                  c.expected);
        const qsizetype atEnd = statusRequests();
        runEventLoopFor(500);
        EXPECT_EQ(statusRequests(), atEnd);
        EXPECT_TRUE(c.requests < 0 || atEnd == c.requests) << atEnd;
    }
}

// A call and a poll, each cancelled or left without its context: no callback, and a poll sends
// nothing more.
TEST_F(ClientTest, CancelledOrOrphanedCallsAndPollsNeverCallBack)
{
    SimOutcome outcome;
    outcome.approveAfterMs = 60'000;
    const auto session = signIn(outcome);
    int callbacks = 0;
    const auto count = [&](auto) { ++callbacks; };
    for (const bool cancel : {true, false}) {
        auto context = std::make_unique<QObject>();
        m_sim->injectFault(SimFault::slow, "/api/start", 1, 3000);
        QPointer<ApiCall> call =
            m_client->send<StartResponse>(Endpoint::start(), context.get(), count);
        QPointer<ApiCall> poll =
            m_client->pollStatus(session.sessionId, *session.pollToken, 300s, context.get(), count);
        const qsizetype before = statusRequests();
        ASSERT_TRUE(waitUntil([&] { return statusRequests() >= before + 2; }));
        if (cancel) {
            call->cancel();
            poll->cancel();
        } else {
            context.reset();
        }
        const qsizetype atEnd = statusRequests();
        runEventLoopFor(1200);
        EXPECT_EQ(statusRequests(), atEnd);
        EXPECT_TRUE(call.isNull());
    }
    EXPECT_EQ(callbacks, 0);
    // The same call left alone does answer, so the silence above is the cancellation's doing.
    m_sim->injectFault(SimFault::slow, "/api/start", 1, 200);
    m_client->send<StartResponse>(Endpoint::start(), &m_context, count);
    EXPECT_TRUE(waitUntil([&] { return callbacks == 1; }));
}

TEST_F(ClientTest, BodyIsTheExactMultipartLayoutAndTheSignedDocumentComesBack)
{
    // A genuine PDF the simulator can sign, followed by every byte value and a line that looks
    // like a boundary.
    QByteArray pdf = QByteArray::fromStdString(orvela::pades::samplePdf("Orvela"));
    pdf += "%";
    for (int i = 0; i < 600; ++i) {
        pdf += static_cast<char>(i * 31 % 256);
    }
    pdf += "\r\n--not-a-boundary\r\n%%EOF\n";
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toBase64());
    const auto started = sendAndWait<SignPdfStartResponse>(
        *m_client, Endpoint::signPdfStart("PNOMN-1", digest, "a.pdf"));
    ASSERT_TRUE(started.ok());
    const SignPdfStartResponse& session = started.value();
    const QMap<QString, QString> fields{{"sessionId", session.sessionId},
                                        {"pollToken", *session.pollToken}};
    const auto signedPdf = uploadAndWait(*m_client, fields, "гэрээ.pdf", pdf);
    ASSERT_TRUE(signedPdf.ok()) << errorMessage(signedPdf.error()).toStdString();
    EXPECT_TRUE(signedPdf.value().startsWith(pdf));
    EXPECT_TRUE(signedPdf.value().mid(pdf.size()).contains("/ByteRange"));

    const auto request = m_sim->requestsTo("/api/sign-pdf-download").value(0);
    EXPECT_EQ(request.method, "POST");
    const QByteArray type = request.header("Content-Type");
    const QRegularExpression shape(
        "^multipart/form-data; boundary=(Boundary-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-"
        "[0-9A-F]{4}-[0-9A-F]{12})$");
    const auto match = shape.match(QString::fromLatin1(type));
    ASSERT_TRUE(match.hasMatch()) << type.toStdString();
    const QByteArray b = match.captured(1).toLatin1();

    QByteArray expected;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + it.key().toUtf8() +
                    "\"\r\n\r\n" + it.value().toUtf8() + "\r\n";
    }
    expected += "--" + b +
                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"гэрээ.pdf\"\r\n"
                "Content-Type: application/pdf\r\n\r\n" +
                pdf + "\r\n--" + b + "--\r\n";
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(request.header("Content-Length"), QByteArray::number(expected.size()));
    // The body as a device reads the same in any chunking, also after a reset (a redirect).
    MultipartBody device(b, fields, "file", "гэрээ.pdf", "application/pdf", pdf);
    EXPECT_EQ(device.size(), expected.size());
    for (const qint64 chunk : {1, 7, 4096}) {
        ASSERT_TRUE(device.reset());
        QByteArray pieces;
        while (!device.atEnd()) {
            pieces += device.read(chunk);
        }
        EXPECT_EQ(pieces, expected) << chunk;
    }

    // Every upload has a boundary of its own, and quotes and line breaks in a file name cannot
    // forge headers. The simulator refuses the document, which is not the one started with.
    const auto forged = uploadAndWait(*m_client, fields, "a\"\r\nX-Evil: 1.pdf", "x");
    EXPECT_EQ(errorMessage(forged.error()), "Сервер алдаа (409): digest mismatch");
    const auto second = m_sim->requestsTo("/api/sign-pdf-download").value(1);
    EXPECT_NE(second.header("Content-Type"), type);
    EXPECT_TRUE(second.body.contains("filename=\"a%22%0D%0AX-Evil: 1.pdf\"\r\n"));
    const auto form = backendsim::MultipartForm::parse(second.header("Content-Type"), second.body);
    ASSERT_TRUE(form.has_value());
    EXPECT_EQ(form->file, "x");
}

// The client against a server that misbehaves on the wire: bodies cut short, bodies without
// end, redirects elsewhere. A raw socket server scripts the reply bytes exactly, which the
// simulator's HTTP stack would never produce.

constexpr qint64 MiB = 1024 * 1024;

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
    static constexpr qint64 kWriteCeiling = 160 * MiB;

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

// Under AddressSanitizer its shadow memory and quarantine of freed blocks swamp what is
// measured (GCC names the sanitizer with a macro, clang with a feature).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool residentSizeIsMemory = false;
#elif defined(__has_feature)
constexpr bool residentSizeIsMemory = !__has_feature(address_sanitizer);
#else
constexpr bool residentSizeIsMemory = true;
#endif

long statusKiB(const QByteArray& field)
{
    QFile status("/proc/self/status");
    const QByteArrayList lines =
        status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QByteArrayList();
    for (const QByteArray& line : lines) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').first().toLong();
        }
    }
    ADD_FAILURE() << "no " << field.toStdString() << " in /proc/self/status";
    return 0;
}

/// Starts the peak resident size afresh from the current one, which it returns in KiB.
long resetPeakResident()
{
    QFile clear("/proc/self/clear_refs");
    EXPECT_TRUE(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1);
    return statusKiB("VmRSS:");
}

long peakResidentKiB()
{
    return statusKiB("VmHWM:");
}

QByteArray head(const QByteArray& framing, const QByteArray& body = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n" + framing + "\r\n" +
           body;
}

QByteArray chunk(const QByteArray& data)
{
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

const QByteArray chunked = "Transfer-Encoding: chunked\r\n";
const QByteArray completeJson = R"({"state":"COMPLETE"})";

enum class Call { json, upload, health };

/// What a call came back with: "ok", "transport" (Qt's own error, or a health probe's plain
/// false), the wait that timed out, or the client error's kind.
using Outcome = QString;
const Outcome succeeded = QStringLiteral("ok");
const Outcome failedInTransport = QStringLiteral("transport");
Outcome failedWith(APIError::Kind kind)
{
    return QStringLiteral("kind %1").arg(static_cast<int>(kind));
}

Outcome timedOut(TransportError::Wait wait)
{
    return QStringLiteral("timed out %1").arg(static_cast<int>(wait));
}

template <class T> Outcome outcomeOf(const CallResult<T>& result)
{
    const APIError* error = result.apiError();
    if (const TransportError* transport = result.transportError();
        transport && transport->timedOut != TransportError::Wait::none) {
        return timedOut(transport->timedOut);
    }
    return result.ok() ? succeeded : error ? failedWith(error->kind()) : failedInTransport;
}

class HostileServerTest : public ApiFixture {
protected:
    std::unique_ptr<APIClient> clientOf(const ScriptedServer& server)
    {
        APIClientOptions options;
        options.fixedBaseUrl = server.origin();
        // A client that waited for a body it should have refused gives up soon.
        options.timeouts.requestIdleMs = options.timeouts.healthIdleMs = 3000;
        options.timeouts.exchangeMs = 5000;
        return makeClient(options);
    }

    Outcome run(APIClient& client, Call call, QByteArray* body)
    {
        if (call == Call::health) {
            return healthAndWait(client) ? succeeded : failedInTransport;
        }
        if (call == Call::json) {
            return outcomeOf(sendAndWait<StatusResponse>(client, Endpoint::status("s-1", "t")));
        }
        const auto result = uploadAndWait(client, {{"sessionId", "s-1"}}, "a.pdf", "%PDF-1.7\n");
        *body = result.ok() ? result.value() : QByteArray();
        return outcomeOf(result);
    }
};

TEST_F(HostileServerTest, OnlyCompleteBodiesWithinTheLimitCount)
{
    const QByteArray partialPdf = "%PDF-1.7\npartial";
    const QByteArray filler(64 * 1024, 'x');
    const QByteArray twoGiB = "Content-Length: 2147483648\r\n";
    const auto over = [](qint64 limit) {
        return "Content-Length: " + QByteArray::number(limit + 1) + "\r\n";
    };
    const ReplyLimits limits;
    const QStringList tooLarge{failedWith(APIError::Kind::replyTooLarge)};
    // Qt reports a body cut short either as a closed connection or, when the close races the
    // last read, as no error at all; the second is pinned down with a reply of its own below.
    const QStringList cutShort{failedInTransport, failedWith(APIError::Kind::incompleteReply)};
    const QStringList unhealthy{failedInTransport};
    const QStringList malformed{failedWith(APIError::Kind::malformedReply)};
    // clang-format off
    const struct {
        const char* name;
        Call call;
        Script script;
        QStringList expected; ///< any of these
        /// The client must have hung up on a server that would never stop sending.
        bool clientHangsUp = false;
        /// The peak memory of the process stays near the call's limit.
        bool boundedMemory = false;
    } cases[] = {
        {"signed copy short of its length, closed at once", Call::upload,
         {head("Content-Length: 100000\r\n", partialPdf), {}, 0}, cutShort},
        {"signed copy short of its length, closed after a pause", Call::upload,
         {head("Content-Length: 100000\r\n", partialPdf), {}, 500}, cutShort},
        {"JSON short of its length", Call::json,
         {head("Content-Length: 100\r\n", completeJson), {}, 0}, cutShort},
        {"JSON ended only by the connection closing", Call::json,
         {head("Connection: close\r\n", completeJson), {}, 0},
         {failedWith(APIError::Kind::incompleteReply)}},
        {"server error ended only by the connection closing", Call::json,
         {"HTTP/1.1 503 Unavailable\r\nConnection: close\r\n\r\ndown", {}, 0},
         {failedWith(APIError::Kind::server)}},
        {"health ended only by the connection closing", Call::health,
         {head("Connection: close\r\n", "OK"), {}, 0}, {succeeded}},
        {"chunked JSON cut before its last chunk", Call::json,
         {head(chunked, chunk(completeJson)), {}, 0}, unhealthy},
        {"chunked JSON ended by its last chunk", Call::json,
         {head(chunked, chunk(completeJson) + chunk({})), {}, -1}, {succeeded}},
        {"JSON announcing 2 GiB", Call::json, {head(twoGiB), filler}, tooLarge, true},
        // Refused on the announcement alone: nothing follows it.
        {"JSON announcing a byte too many", Call::json, {head(over(limits.jsonBytes)), {}, -1},
         tooLarge, true},
        {"signed copy announcing a byte too many", Call::upload,
         {head(over(limits.uploadBytes)), {}, -1}, tooLarge, true},
        {"JSON without end", Call::json, {head(chunked), chunk(filler)}, tooLarge, true},
        {"health announcing 2 GiB", Call::health, {head(twoGiB), filler}, unhealthy, true},
        {"health without end", Call::health, {head(chunked), chunk(filler)}, unhealthy, true},
        {"signed copy without end", Call::upload, {head(chunked), chunk(filler)}, tooLarge, true,
         true},
        {"signed copy in one chunk without end", Call::upload,
         {head(chunked, "7fffffff\r\n"), filler}, tooLarge, true, true},
        // Qt believes the first length it sees, and a copy cut to it would look complete.
        {"signed copy with two lengths that disagree", Call::upload,
         {head("Content-Length: 2000\r\nContent-Length: 5000\r\n",
               "%PDF-1.7\n" + QByteArray(4991, 'x')), {}, -1}, malformed, true},
        {"JSON with a length and a chunked encoding", Call::json,
         {head("Content-Length: 20\r\n" + chunked, chunk(completeJson) + chunk({})), {}, -1},
         malformed},
        {"signed copy in an encoding never asked for", Call::upload,
         {head("Transfer-Encoding: gzip\r\n", "%PDF-1.7\n"), {}, -1}, malformed, true},
        // Time limits name themselves; Qt alone would say "Operation canceled".
        {"headers dripped without end", Call::json,
         {"HTTP/1.1 200 OK\r\nX-Slow: ", "a", -1, 100},
         {timedOut(TransportError::Wait::idle)}, true},
        {"signed copy's headers dripped without end", Call::upload,
         {"HTTP/1.1 200 OK\r\nX-Slow: ", "a", -1, 100},
         {timedOut(TransportError::Wait::idle)}, true},
        {"signed copy dripped without end", Call::upload,
         {head("Content-Length: 100000\r\n"), "x", -1, 100},
         {timedOut(TransportError::Wait::exchange)}, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        server.scripts["*"] = c.script;
        const auto client = clientOf(server);
        QByteArray body;
        const long residentBefore = resetPeakResident();
        const Outcome outcome = run(*client, c.call, &body);
        EXPECT_TRUE(c.expected.contains(outcome)) << outcome.toStdString();
        EXPECT_TRUE(body.isEmpty());
        if (c.clientHangsUp) {
            EXPECT_TRUE(waitUntil([&] { return server.clientClosed; }));
        }
        if (c.boundedMemory && residentSizeIsMemory) {
            // The body up to the limit and Qt's buffers, never a second copy of the body; the
            // server here writes only as the client reads, so Qt cannot read far ahead.
            const qint64 grown = (peakResidentKiB() - residentBefore) * 1024;
            std::printf("[ peak     ] %s: %.1f MiB above the start, limit %.1f MiB\n", c.name,
                        double(grown) / MiB, double(limits.uploadBytes) / MiB);
            EXPECT_LT(grown, limits.uploadBytes + 16 * MiB);
            EXPECT_GT(server.written, limits.uploadBytes);
        }
    }
}

// A server on its own thread writes as fast as the kernel takes it, so nothing but the client's
// own reading holds it back: what the client buffers beyond its limit shows in its peak memory.
TEST_F(HostileServerTest, AFastServerWithoutEndCostsNoMoreThanTheLimit)
{
    EndlessChunkedServer server;
    APIClientOptions options;
    options.fixedBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port);
    const auto client = makeClient(options);
    const long residentBefore = resetPeakResident();
    QByteArray body;
    EXPECT_EQ(run(*client, Call::upload, &body), failedWith(APIError::Kind::replyTooLarge));
    EXPECT_TRUE(waitUntil([&] { return server.clientClosed.load(); }));
    const qint64 grown = (peakResidentKiB() - residentBefore) * 1024;
    const qint64 limit = ReplyLimits{}.uploadBytes;
    std::printf("[ peak     ] %.1f MiB above the start after %.1f MiB sent, limit %.1f MiB\n",
                double(grown) / MiB, double(server.written) / MiB, double(limit) / MiB);
    if (residentSizeIsMemory) {
        EXPECT_LT(grown, limit + 16 * MiB);
    }
}

/// A reply that delivers `data` at once, announced or not; Qt may end such a reply without an
/// error whatever its Content-Length said.
class EndedReply : public QNetworkReply {
public:
    EndedReply(std::optional<qint64> announced, QByteArray data) : m_data(std::move(data))
    {
        if (announced) {
            setHeader(QNetworkRequest::ContentLengthHeader, *announced);
        }
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, 200);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    void arrive()
    {
        emit metaDataChanged();
        emit readyRead();
    }
    void abort() override {}
    qint64 bytesAvailable() const override { return m_data.size(); }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_data.size());
        std::copy_n(m_data.constData(), n, out);
        m_data.remove(0, n);
        return n;
    }

private:
    QByteArray m_data;
};

// The body alone decides, whatever Qt made of the reply: whole or nothing, and refused by the
// read that would pass the limit, not the one after.
TEST(ReplyBodyTest, ABodyCountsOnlyWhenWholeAndWithinTheLimit)
{
    const QByteArray pdf = "%PDF-1.7\npartial";
    const struct {
        std::optional<qint64> announced;
        QByteArray data;
        Outcome expected;
    } cases[] = {
        {1000, pdf, failedWith(APIError::Kind::incompleteReply)},
        {pdf.size(), pdf, succeeded},
        {std::nullopt, QByteArray(1024, 'x'), failedWith(APIError::Kind::incompleteReply)},
        {std::nullopt, QByteArray(1025, 'x'), failedWith(APIError::Kind::replyTooLarge)},
    };
    for (const auto& c : cases) {
        EndedReply reply(c.announced, c.data);
        ReplyBody::attach(&reply, 1024);
        reply.arrive();
        EXPECT_EQ(ReplyBody::overLimit(&reply), c.data.size() > 1024) << c.data.size();
        const auto body = ReplyBody::take(&reply);
        EXPECT_EQ(outcomeOf(body), c.expected) << c.data.size();
        EXPECT_EQ(body.ok() ? body.value() : c.data, c.data);
    }
}

// The signed copy's reader, fed whole and byte by byte: where the bytes break must never matter.
TEST(HttpResponseReaderTest, TakesOnlyWellFramedResponsesWithinTheirBounds)
{
    using Reader = HttpResponseReader;
    using F = Reader::Failure;
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray manyFields = QByteArray("X-A: 1\r\n").repeated(Reader::kMaxFields + 1);
    const QByteArray longField = "X-A: " + QByteArray(Reader::kMaxHeadBytes, 'a') + "\r\n";
    const QByteArray longExtension(Reader::kMaxChunkLine, 'e');
    // clang-format off
    const struct {
        const char* name;
        QByteArray input;
        bool ended;        ///< the connection closed after the input
        F failure;         ///< none: the response is done
        int status;
        QByteArray body;
    } cases[] = {
        {"length", ok + "Content-Length: 4\r\n\r\nbody", false, F::none, 200, "body"},
        {"length, bytes after it ignored", ok + "content-length: 2\r\n\r\nbody", false, F::none,
         200, "bo"},
        {"chunks, extension and trailers", ok + "Transfer-Encoding: Chunked\r\n\r\n"
         "2;x=y\r\nbo\r\nA\r\ndy is here\r\n0\r\nX-Sum: 1\r\n\r\n", false, F::none, 200,
         "body is here"},
        {"interim answers skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 P\r\n\r\n" + ok +
         "Content-Length: 1\r\n\r\nx", false, F::none, 200, "x"},
        {"HTTP/1.0, no reason", "HTTP/1.0 201\r\nContent-Length: 1\r\n\r\nx", false, F::none, 201,
         "x"},
        {"no body whatever the length", "HTTP/1.1 204 No\r\nContent-Length: 5\r\n\r\n", false,
         F::none, 204, ""},
        {"redirect ends with its head", "HTTP/1.1 307 T\r\nLocation: /x\r\nContent-Length: 9\r\n"
         "\r\n", false, F::none, 307, ""},
        {"error with its body", "HTTP/1.1 503 Down\r\nContent-Length: 4\r\n\r\ndown", false,
         F::none, 503, "down"},
        {"length at the limit", ok + "Content-Length: 16\r\n\r\n" + QByteArray(16, 'x'), false,
         F::none, 200, QByteArray(16, 'x')},
        {"length a byte over", ok + "Content-Length: 17\r\n\r\n", false, F::tooLarge, 200, ""},
        {"length of 30 digits", ok + "Content-Length: " + QByteArray(30, '9') + "\r\n\r\n", false,
         F::tooLarge, 200, ""},
        {"chunks a byte over", ok + "Transfer-Encoding: chunked\r\n\r\n10\r\n" +
         QByteArray(16, 'x') + "\r\n1\r\nx", false, F::tooLarge, 200, ""},
        {"unframed body a byte over", ok + "\r\n" + QByteArray(17, 'x'), false, F::tooLarge, 200,
         ""},
        {"two lengths", ok + "Content-Length: 1\r\nContent-Length: 1\r\n\r\nx", false,
         F::ambiguousFraming, 200, ""},
        {"length and chunked", ok + "Content-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n",
         false, F::ambiguousFraming, 200, ""},
        {"chunked twice", ok + "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n",
         false, F::ambiguousFraming, 200, ""},
        {"gzip", ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", false, F::ambiguousFraming, 200,
         ""},
        {"signed length", ok + "Content-Length: +1\r\n\r\nx", false, F::ambiguousFraming, 200, ""},
        {"chunked in HTTP/1.0", "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", false,
         F::ambiguousFraming, 200, ""},
        {"not HTTP", "ICY 200 OK\r\n\r\n", false, F::notHttp, 0, ""},
        {"HTTP/2 text", "HTTP/2 200 OK\r\n\r\n", false, F::notHttp, 0, ""},
        {"status out of range", "HTTP/1.1 600 X\r\n\r\n", false, F::notHttp, 0, ""},
        {"protocol switch", "HTTP/1.1 101 Switching\r\n\r\n", false, F::notHttp, 0, ""},
        {"bare line feed", "HTTP/1.1 200 OK\nContent-Length: 0\n\n", false, F::notHttp, 0, ""},
        {"carriage return inside a field", ok + "X-A: 1\rContent-Length: 0\r\n\r\n", false,
         F::notHttp, 0, ""},
        {"blank before the colon", ok + "Content-Length : 1\r\n\r\nx", false, F::notHttp, 0, ""},
        {"folded field", ok + "X-A: 1\r\n 2\r\n\r\n", false, F::notHttp, 0, ""},
        {"too many fields", ok + manyFields + "\r\n", false, F::notHttp, 0, ""},
        {"head too long", ok + longField + "\r\n", false, F::notHttp, 0, ""},
        {"interim answers without end", QByteArray("HTTP/1.1 100 C\r\n\r\n").repeated(4000),
         false, F::notHttp, 0, ""},
        {"chunk size not hex", ok + "Transfer-Encoding: chunked\r\n\r\nx\r\n", false, F::notHttp,
         200, ""},
        {"chunk line too long", ok + "Transfer-Encoding: chunked\r\n\r\n1;" + longExtension,
         false, F::notHttp, 200, ""},
        {"chunk without its line end", ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nxy\r\n",
         false, F::notHttp, 200, ""},
        {"trailers without end", ok + "Transfer-Encoding: chunked\r\n\r\n0\r\n" + manyFields,
         false, F::notHttp, 200, ""},
        {"closed within the length", ok + "Content-Length: 5\r\n\r\nbod", true, F::incomplete, 200,
         ""},
        {"closed before the last chunk", ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nx\r\n",
         true, F::incomplete, 200, ""},
        {"ended only by the close", ok + "\r\nbody", true, F::incomplete, 200, ""},
        {"closed within the head", ok + "Content-Le", true, F::incomplete, 0, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        for (const bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (byteByByte ? ", byte by byte" : ""));
            Reader reader(16);
            if (byteByByte) {
                for (const char byte : c.input) {
                    reader.feed(QByteArrayView(&byte, 1));
                }
            } else {
                reader.feed(c.input);
            }
            if (c.ended) {
                reader.end();
            }
            EXPECT_EQ(reader.failure(), c.failure);
            EXPECT_EQ(reader.state(),
                      c.failure == F::none ? Reader::State::done : Reader::State::failed);
            EXPECT_EQ(reader.headRead() ? reader.status() : 0, c.status);
            EXPECT_EQ(reader.takeBody(), c.body);
        }
    }
}

TEST_F(HostileServerTest, RedirectsStayOnTheConfiguredOrigin)
{
    enum class Target { samePath, seeOther, otherPort, otherScheme, otherHostName };
    const struct {
        Target target;
        Outcome expected;
        QByteArray moved; ///< the request line that reaches the new address, if one does
    } cases[] = {
        // A 307 carries the form along; a 303 asks for the answer with a GET and no body.
        {Target::samePath, succeeded, "POST /api/moved HTTP/1.1"},
        {Target::seeOther, succeeded, "GET /api/moved HTTP/1.1"},
        {Target::otherPort, failedWith(APIError::Kind::redirectRefused), {}},
        {Target::otherScheme, failedWith(APIError::Kind::redirectRefused), {}},
        // The same server by another name is another origin all the same.
        {Target::otherHostName, failedWith(APIError::Kind::redirectRefused), {}},
    };
    for (const auto& [target, expected, moved] : cases) {
        SCOPED_TRACE(static_cast<int>(target));
        ScriptedServer server;
        ScriptedServer other;
        const QByteArray location =
            target == Target::otherPort ? (other.origin() + "/api/moved").toLatin1()
            : target == Target::otherScheme
                ? QStringLiteral("https://127.0.0.1:%1/api/moved").arg(server.port()).toLatin1()
            : target == Target::otherHostName
                ? QStringLiteral("http://localhost:%1/api/moved").arg(server.port()).toLatin1()
                : QByteArray("/api/moved");
        server.scripts["/api/sign-pdf-download"] = {
            (target == Target::seeOther ? "HTTP/1.1 303 See Other" : "HTTP/1.1 307 Temporary") +
                QByteArray("\r\nLocation: ") + location + "\r\nContent-Length: 0\r\n\r\n",
            {},
            -1};
        const Script signedCopy{head("Content-Length: 9\r\n", "%PDF-sig\n"), {}, -1};
        server.scripts["/api/moved"] = signedCopy;
        other.scripts["*"] = signedCopy;
        const auto client = clientOf(server);

        QByteArray body;
        EXPECT_EQ(run(*client, Call::upload, &body), expected);
        EXPECT_EQ(body, expected == succeeded ? QByteArray("%PDF-sig\n") : QByteArray());
        EXPECT_EQ(other.connections, 0);
        EXPECT_TRUE(expected == succeeded || server.connections == 1) << server.connections;
        if (!moved.isEmpty()) {
            ASSERT_EQ(server.received.size(), 2);
            EXPECT_TRUE(server.received[1].startsWith(moved)) << server.received[1].toStdString();
            EXPECT_EQ(server.received[1].contains("%PDF-1.7"), moved.startsWith("POST"));
            EXPECT_EQ(server.received[1].contains("Content-Type"), moved.startsWith("POST"));
        }
    }
}

} // namespace
