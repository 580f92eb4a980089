// The backend client over real HTTP on 127.0.0.1, against the simulator: what goes on the wire
// and where, the base URL, how replies become values or errors, time limits and the health
// probe.

#include "ClientTest.h"
#include "api/SignPdfStartResponse.h"
#include "common/SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ClientTest;
using orvela::backendsim::SimFault;

namespace {

QStringList g_logged;

void keepLogLine(QtMsgType, const QMessageLogContext&, const QString& text)
{
    static QMutex mutex; // Qt's network threads may log too
    const QMutexLocker lock(&mutex);
    g_logged << text;
}

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
        {m_sim->baseUrl(), true, errorMessage(ApiError::plainHttpRefused())},
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

} // namespace
