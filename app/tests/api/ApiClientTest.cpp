// The backend client against the simulator over real HTTP on 127.0.0.1: what goes on the wire
// and where, how replies become values or errors, polling, the signing upload, time limits
// and cancellation.

#include "MultipartForm.h"
#include "TestSupport.h"
#include "api/ErrorResponse.h"
#include "api/LoginNotifyResponse.h"
#include "api/MultipartBody.h"
#include "api/SignPdfStartResponse.h"
#include "api/StartResponse.h"
#include "common/SettingsKeys.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace orvela;
using namespace orvela::api;
using namespace std::chrono_literals;
using orvela::apitest::ApiFixture;
using orvela::apitest::LogCapture;
using orvela::apitest::runEventLoopFor;
using orvela::apitest::waitUntil;
using orvela::backendsim::SimFault;
using orvela::backendsim::SimOutcome;

namespace {

QByteArray document()
{
    QByteArray pdf = "%PDF-1.7\n";
    for (int i = 0; i < 5000; ++i) {
        pdf += static_cast<char>(i * 31 % 256);
    }
    return pdf + "\r\n--not-a-boundary\r\n%%EOF\n";
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

    SignPdfStartResponse startSigning(const QByteArray& pdf)
    {
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toBase64());
        const auto reply = sendAndWait<SignPdfStartResponse>(
            *m_client, Endpoint::signPdfStart("PNOMN-1", digest, "a.pdf"));
        EXPECT_TRUE(reply.ok());
        return reply.ok() ? reply.value() : SignPdfStartResponse{};
    }

    CallResult<QByteArray> uploadAndWait(const QMap<QString, QString>& fields,
                                         const QString& fileName, const QByteArray& pdf)
    {
        std::optional<CallResult<QByteArray>> result;
        m_client->upload("/api/sign-pdf-download", fields, "file", fileName, "application/pdf", pdf,
                         &m_context, [&](CallResult<QByteArray> r) { result.emplace(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(CallResult<QByteArray>(APIError::invalidResponse()));
    }

    std::unique_ptr<APIClient> m_client;
};

TEST_F(ClientTest, EachCallHasItsMethodPathBodyAndTheFixedHeadersButNoCookie)
{
    m_sim->addResponseHeader("Set-Cookie", "sid=abc123; Path=/");
    const QString digest = QString::fromLatin1(QByteArray(32, '\x07').toBase64());
    LogCapture log;
    ASSERT_TRUE(
        sendAndWait<LoginNotifyResponse>(*m_client, Endpoint::loginNotify("УБ99112233")).ok());
    ASSERT_TRUE(sendAndWait<SignPdfStartResponse>(
                    *m_client, Endpoint::signPdfStart("PNOMN-УБ99112233", digest, "гэрээ.pdf"))
                    .ok());
    const auto started = sendAndWait<StartResponse>(*m_client, Endpoint::start());
    ASSERT_TRUE(started.ok());
    const QString token = *started.value().pollToken;
    ASSERT_TRUE(
        sendAndWait<StatusResponse>(*m_client, Endpoint::status(started.value().sessionId, token))
            .ok());

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
    // Exchanges are logged by path alone: no poll token, no body.
    ASSERT_FALSE(log.lines().isEmpty());
    for (const QString& line : log.lines()) {
        EXPECT_FALSE(line.contains(token) || line.contains("УБ99112233")) << line.toStdString();
    }
}

TEST_F(ClientTest, StatusQueryKeepsItsOrderAndEncodesEveryAwkwardCharacter)
{
    const QString id = QStringLiteral("a b&c=d");
    const QString token = QStringLiteral("x+y/z==é#?");
    sendAndWait<StatusResponse>(*m_client, Endpoint::status(id, token));
    ASSERT_EQ(m_sim->requests().size(), 1);
    const auto& request = m_sim->requests().first();
    EXPECT_EQ(request.rawQuery, "sessionId=a%20b%26c%3Dd&pollToken=x%2By%2Fz%3D%3D%C3%A9%23%3F");
    EXPECT_EQ(request.query,
              (QList<QPair<QString, QString>>{{"sessionId", id}, {"pollToken", token}}));
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
    }
    qunsetenv("API_BASE_URL");

    // A changed setting applies to the next request.
    backendsim::BackendSim other;
    ASSERT_NE(other.start(), 0);
    pointAt(*m_sim);
    EXPECT_TRUE(sendAndWait<StartResponse>(*m_client, Endpoint::start()).ok());
    pointAt(other);
    EXPECT_TRUE(sendAndWait<StartResponse>(*m_client, Endpoint::start()).ok());
    EXPECT_EQ(m_sim->requests().size(), 1);
    EXPECT_EQ(other.requests().size(), 1);
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
    for (const APIClientOptions& options : {idle, whole}) {
        auto client = makeClient(options);
        m_sim->injectFault(SimFault::slow, "/api/start", 1, 4000);
        const auto stalled = sendAndWait<StartResponse>(*client, Endpoint::start());
        ASSERT_NE(stalled.transportError(), nullptr);
        EXPECT_EQ(stalled.transportError()->code, QNetworkReply::TimeoutError);
        EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    }
}

TEST_F(ClientTest, CancelledOrOrphanedCallsNeverCallBack)
{
    m_sim->injectFault(SimFault::slow, "/api/start", 2, 200);
    int callbacks = 0;
    QPointer<ApiCall> cancelled = m_client->send<StartResponse>(
        Endpoint::start(), &m_context, [&](CallResult<StartResponse>) { ++callbacks; });
    auto context = std::make_unique<QObject>();
    m_client->send<StartResponse>(Endpoint::start(), context.get(),
                                  [&](CallResult<StartResponse>) { ++callbacks; });
    ASSERT_TRUE(waitUntil([&] { return m_sim->requests().size() == 2; }));
    cancelled->cancel();
    context.reset();
    runEventLoopFor(600);
    EXPECT_EQ(callbacks, 0);
    EXPECT_TRUE(cancelled.isNull());
    // The same call left alone does answer, so the silence above is the cancellation's doing.
    m_sim->injectFault(SimFault::slow, "/api/start", 1, 200);
    m_client->send<StartResponse>(Endpoint::start(), &m_context,
                                  [&](CallResult<StartResponse>) { ++callbacks; });
    EXPECT_TRUE(waitUntil([&] { return callbacks == 1; }));
}

TEST_F(ClientTest, HealthIsTrueOnlyFor2xx)
{
    EXPECT_TRUE(healthAndWait(*m_client));
    EXPECT_EQ(m_sim->requestsTo("/api/health").value(0).method, "GET");
    const std::pair<int, bool> statuses[] = {{204, true}, {299, true}, {304, false}, {503, false}};
    for (const auto& [status, healthy] : statuses) {
        m_sim->injectResponse("/api/health", status, "text/plain", {});
        EXPECT_EQ(healthAndWait(*m_client), healthy) << status;
    }
}

TEST_F(ClientTest, AnUnusableUrlFailsEveryCallWithoutSending)
{
    m_settings->setValue("API_BASE_URL_OVERRIDE", "http://bad host");
    EXPECT_EQ(startMessage(), "Серверийн хариу буруу байна.");
    std::optional<CallResult<QByteArray>> upload;
    m_client->upload("/api/sign-pdf-download", {}, "file", "a.pdf", "application/pdf", "x",
                     &m_context, [&](CallResult<QByteArray> r) { upload.emplace(r); });
    ASSERT_TRUE(waitUntil([&] { return upload.has_value(); }));
    EXPECT_EQ(errorMessage(upload->error()), "Серверийн хариу буруу байна.");
    EXPECT_FALSE(healthAndWait(*m_client));
    EXPECT_TRUE(m_sim->requests().isEmpty());
}

TEST_F(ClientTest, PollsUntilApprovedThenStopsAndReturnsThePerson)
{
    const auto session = signIn(SimOutcome{});
    // The phone has not answered at the first poll, so a second one must follow.
    m_sim->injectResponse("/api/status", 200, "application/json", R"({"state":"RUNNING"})");
    const auto result = pollAndWait(session);
    ASSERT_TRUE(result.ok()) << errorMessage(result.error()).toStdString();
    EXPECT_TRUE(result.value().isComplete());
    EXPECT_EQ(result.value().endResult, "OK");
    runEventLoopFor(1000);
    EXPECT_EQ(statusRequests(), 2);
    for (const auto& request : m_sim->requestsTo("/api/status")) {
        EXPECT_EQ(request.query.value(1).second, *session.pollToken);
    }
}

TEST_F(ClientTest, ErrorsEndThePollAtOnceButAnEmptyErrorTextIsNone)
{
    SimOutcome outcome;
    outcome.error = "phone unreachable";
    const auto result = pollAndWait(signIn(outcome));
    ASSERT_NE(result.apiError(), nullptr);
    EXPECT_EQ(errorMessage(result.error()), "Сервер алдаа (200): phone unreachable");

    auto session = signIn(SimOutcome{});
    session.pollToken = "wrong";
    m_sim->clearRequests();
    EXPECT_EQ(errorMessage(pollAndWait(session).error()), "Сервер алдаа (403): invalid poll token");
    runEventLoopFor(500);
    EXPECT_EQ(statusRequests(), 1);

    m_sim->injectResponse("/api/status", 200, "application/json", R"({"error":""})");
    m_sim->injectResponse("/api/status", 200, "application/json", R"({"state":"COMPLETE"})");
    EXPECT_TRUE(pollAndWait(LoginNotifyResponse{"any", {}, {}}).ok());
    EXPECT_EQ(statusRequests(), 3);
}

TEST_F(ClientTest, TheDeadlineEndsAPollThePhoneNeverAnswers)
{
    const auto zero = pollAndWait(LoginNotifyResponse{"s", {}, {}}, 0ms);
    ASSERT_NE(zero.apiError(), nullptr);
    EXPECT_EQ(zero.apiError()->kind(), APIError::Kind::timeout);
    EXPECT_EQ(statusRequests(), 0);
    SimOutcome outcome;
    outcome.approveAfterMs = 60'000;
    const auto result = pollAndWait(signIn(outcome), 1000ms);
    ASSERT_NE(result.apiError(), nullptr);
    EXPECT_EQ(result.apiError()->kind(), APIError::Kind::timeout);
}

TEST_F(ClientTest, CancellingAPollOrLosingItsContextStopsItsRequestsAndItsCallback)
{
    SimOutcome outcome;
    outcome.approveAfterMs = 60'000;
    const auto session = signIn(outcome);
    int callbacks = 0;
    for (const bool cancel : {true, false}) {
        auto context = std::make_unique<QObject>();
        QPointer<ApiCall> poll =
            m_client->pollStatus(session.sessionId, *session.pollToken, 300s, context.get(),
                                 [&](CallResult<StatusResponse>) { ++callbacks; });
        const qsizetype before = statusRequests();
        ASSERT_TRUE(waitUntil([&] { return statusRequests() >= before + 2; }));
        if (cancel) {
            poll->cancel();
        } else {
            context.reset();
        }
        const qsizetype atEnd = statusRequests();
        runEventLoopFor(1200);
        EXPECT_EQ(statusRequests(), atEnd);
    }
    EXPECT_EQ(callbacks, 0);
}

TEST_F(ClientTest, BodyIsTheExactMultipartLayoutAndTheSignedDocumentComesBack)
{
    const QByteArray pdf = document();
    const auto session = startSigning(pdf);
    const QMap<QString, QString> fields{{"sessionId", session.sessionId},
                                        {"pollToken", *session.pollToken}};
    const auto signedPdf = uploadAndWait(fields, "гэрээ.pdf", pdf);
    ASSERT_TRUE(signedPdf.ok()) << errorMessage(signedPdf.error()).toStdString();
    EXPECT_TRUE(signedPdf.value().startsWith(pdf));
    EXPECT_TRUE(signedPdf.value().mid(pdf.size()).contains("Orvela-Sim-Signature"));

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

    // Every upload has a boundary of its own.
    uploadAndWait(fields, "гэрээ.pdf", pdf);
    EXPECT_NE(m_sim->requestsTo("/api/sign-pdf-download").value(1).header("Content-Type"), type);
}

// The simulator's own checks, which the signing tests rely on.
TEST_F(ClientTest, SimulatorRefusesAWrongTokenOrAChangedDocument)
{
    const QByteArray pdf = document();
    const auto session = startSigning(pdf);
    const auto wrongToken =
        uploadAndWait({{"sessionId", session.sessionId}, {"pollToken", "nope"}}, "a.pdf", pdf);
    EXPECT_EQ(errorMessage(wrongToken.error()), "Сервер алдаа (403): invalid poll token");

    QByteArray changed = pdf;
    changed[100] = static_cast<char>(changed[100] ^ 1);
    const auto mismatch = uploadAndWait(
        {{"sessionId", session.sessionId}, {"pollToken", *session.pollToken}}, "a.pdf", changed);
    EXPECT_EQ(errorMessage(mismatch.error()), "Сервер алдаа (409): digest mismatch");
}

TEST_F(ClientTest, QuotesAndLineBreaksInAFileNameCannotForgeHeaders)
{
    uploadAndWait({}, "a\"\r\nX-Evil: 1.pdf", "x");
    const auto request = m_sim->requestsTo("/api/sign-pdf-download").value(0);
    EXPECT_TRUE(request.body.contains("filename=\"a%22%0D%0AX-Evil: 1.pdf\"\r\n"));
    const auto form =
        backendsim::MultipartForm::parse(request.header("Content-Type"), request.body);
    ASSERT_TRUE(form.has_value());
    EXPECT_EQ(form->file, "x");
}

TEST(MultipartBodyDevice, ReadsTheSameBytesInAnyChunkingAndAfterAReset)
{
    const QByteArray file = document();
    MultipartBody body("B", {{"k", "v"}}, "file", "f.pdf", "application/pdf", file);
    const QByteArray whole = body.readAll();
    EXPECT_EQ(whole.size(), body.size());
    EXPECT_TRUE(whole.endsWith("\r\n--B--\r\n"));
    for (const qint64 chunk : {1, 7, 4096}) {
        ASSERT_TRUE(body.reset());
        QByteArray pieces;
        while (!body.atEnd()) {
            pieces += body.read(chunk);
        }
        EXPECT_EQ(pieces, whole) << chunk;
    }
    ASSERT_TRUE(body.seek(whole.size() - 5));
    EXPECT_EQ(body.readAll(), whole.right(5));
}

} // namespace
