// How replies become values or errors: the error-body rule, decoding, transport failures,
// time limits and cancellation.

#include "TestSupport.h"
#include "api/ApiErrorCode.h"
#include "api/ErrorResponse.h"
#include "api/LoginNotifyResponse.h"
#include "api/StartResponse.h"

#include <QRegularExpression>

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::LogCapture;
using orvela::apitest::runEventLoopFor;
using orvela::apitest::waitUntil;
using orvela::backendsim::SimFault;

namespace {

class ApiReplyTest : public ApiFixture {
protected:
    void SetUp() override
    {
        ApiFixture::SetUp();
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
    }

    /// The message of a start call answered with this reply.
    QString messageForReply(int status, const QByteArray& type, const QByteArray& body)
    {
        m_sim->injectResponse("/api/start", status, type, body);
        auto client = makeClient();
        const auto reply = sendAndWait<StartResponse>(*client, Endpoint::start());
        EXPECT_FALSE(reply.ok());
        EXPECT_NE(reply.apiError(), nullptr);
        return reply.ok() ? QString() : errorMessage(reply.error());
    }
};

TEST_F(ApiReplyTest, FailingStatusesCarryTheBackendMessageOrItsBestSubstitute)
{
    m_sim->injectFault(SimFault::rateLimited, "/api/start");
    auto client = makeClient();
    const auto limited = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_NE(limited.apiError(), nullptr);
    EXPECT_EQ(limited.apiError()->status(), 429);
    EXPECT_EQ(errorMessage(limited.error()),
              "Сервер алдаа (429): Хэт олон оролдлого — 1 минут хүлээгээд дахин оролдоно уу.");
    EXPECT_EQ(errorMessage(limited.error(), common::AppLanguage::en),
              "Server error (429): Too many attempts — wait a minute and try again.");

    EXPECT_EQ(messageForReply(500, "text/plain", "abc"), "Сервер алдаа (500): abc");
    EXPECT_EQ(messageForReply(500, "text/plain", ""), "Сервер алдаа (500): Unknown error");
    EXPECT_EQ(messageForReply(502, "application/json", R"({"error":""})"),
              R"(Сервер алдаа (502): {"error":""})");
    EXPECT_EQ(messageForReply(400, "application/json", R"({"error":"register invalid"})"),
              "Сервер алдаа (400): register invalid");
    EXPECT_EQ(messageForReply(404, "application/json", R"({"error":7})"),
              R"(Сервер алдаа (404): {"error":7})");
    // Qt files each of these under a different error range; all are the backend's answers.
    for (const int status : {401, 403, 405, 407, 409, 418, 501, 503, 599}) {
        EXPECT_EQ(messageForReply(status, "text/plain", "no"),
                  QStringLiteral("Сервер алдаа (%1): no").arg(status));
    }
}

TEST_F(ApiReplyTest, SimulatorFaultsMapToTheirServerErrors)
{
    auto client = makeClient();
    m_sim->injectFault(SimFault::serverText, "/api/start");
    const auto text = sendAndWait<StartResponse>(*client, Endpoint::start());
    EXPECT_EQ(errorMessage(text.error()), "Сервер алдаа (500): simulated failure");
    m_sim->injectFault(SimFault::badGatewayJson, "/api/start");
    const auto gateway = sendAndWait<StartResponse>(*client, Endpoint::start());
    EXPECT_EQ(errorMessage(gateway.error()), "Сервер алдаа (502): upstream unavailable");
}

TEST(APIErrorText, EveryKindIsWordedInTheLanguageAskedFor)
{
    const std::pair<APIError, QString> cases[] = {
        {APIError::server(500, QStringLiteral("abc")), QStringLiteral("Сервер алдаа (500): abc")},
        {APIError::invalidResponse(), QStringLiteral("Серверийн хариу буруу байна.")},
        {APIError::timeout(), QStringLiteral("Хүлээх хугацаа дууслаа.")},
        {APIError::replyTooLarge(), {}},
        {APIError::incompleteReply(), {}},
        {APIError::redirectRefused(), {}},
    };
    for (const auto& [error, mongolian] : cases) {
        const QString english = error.message(common::AppLanguage::en);
        EXPECT_FALSE(english.isEmpty());
        const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
        EXPECT_FALSE(english.contains(cyrillic)) << english.toStdString();
        EXPECT_NE(english, error.message());
        if (!mongolian.isEmpty()) {
            EXPECT_EQ(error.message(), mongolian);
        }
    }
    // Qt calls a refused pin check a cancelled operation; the person is told the cause.
    const TransportError refused{QNetworkReply::OperationCanceledError,
                                 QStringLiteral("Operation canceled"), true};
    EXPECT_EQ(errorMessage(refused, common::AppLanguage::en),
              "The server's certificate does not match the pinned key; the connection was "
              "refused.");
    EXPECT_TRUE(errorMessage(refused).startsWith(QStringLiteral("Серверийн сертификат")));
}

TEST(ErrorBodyRule, ExcerptIsTheFirst300BytesAndMustBeWholeUtf8)
{
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(301, 'x')), QString(300, u'x'));
    // "ө" is two bytes; 299 ASCII bytes plus it cuts the character in half at byte 300.
    const QByteArray cut = QByteArray(299, 'x') + "ө" + "tail";
    EXPECT_EQ(ErrorResponse::messageFor(cut), "Unknown error");
    const QByteArray whole = QByteArray(298, 'x') + "ө" + "tail";
    EXPECT_EQ(ErrorResponse::messageFor(whole), QString(298, u'x') + u'ө');
    EXPECT_EQ(ErrorResponse::messageFor("\xff\xfe"), "Unknown error");
    EXPECT_EQ(ErrorResponse::messageFor(R"({"error":"rate_limited"})"),
              "Хэт олон оролдлого — 1 минут хүлээгээд дахин оролдоно уу.");
}

TEST(ErrorValues, MessagesAndCodesAreTheFixedTexts)
{
    EXPECT_EQ(APIError::server(503, "x").message(), "Сервер алдаа (503): x");
    EXPECT_EQ(APIError::server(500, "%1 %2").message(), "Сервер алдаа (500): %1 %2");
    EXPECT_EQ(APIError::invalidResponse().message(), "Серверийн хариу буруу байна.");
    EXPECT_EQ(APIError::timeout().message(), "Хүлээх хугацаа дууслаа.");

    const QStringList raw{"network",     "timeout",   "unauthorized", "certificate_pin_failure",
                          "bad_request", "not_found", "server_error", "cancelled",
                          "internal"};
    for (int i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(rawValue(static_cast<ApiErrorCode>(i)), raw[i]);
    }
    EXPECT_EQ(ApiError::certificatePinFailure("m").code, ApiErrorCode::certificatePinFailure);
    EXPECT_EQ(ApiError::server("m", "d"), ApiError::server("m", "d"));
    EXPECT_NE(ApiError::server("m", "d"), ApiError::server("m"));
    EXPECT_NE(ApiError::network("m"), ApiError::timeout("m"));
    EXPECT_EQ(ApiError::badRequest("shown").localizedDescription(), "shown");
}

TEST_F(ApiReplyTest, SuccessBodiesMustHaveEveryRequiredKeyOfTheRightType)
{
    auto client = makeClient();
    LogCapture log;
    m_sim->injectResponse("/api/start", 200, "application/json", R"({"sessionId":"s","vc":"1"})");
    const auto noQr = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_NE(noQr.apiError(), nullptr);
    EXPECT_EQ(noQr.apiError()->kind(), APIError::Kind::invalidResponse);
    bool logged = false;
    for (const auto& line : log.lines()) {
        logged |= line.type == QtCriticalMsg && line.text.startsWith("Decode алдаа: ") &&
                  line.text.contains("qr");
    }
    EXPECT_TRUE(logged);

    m_sim->injectResponse("/api/start", 200, "application/json",
                          R"({"sessionId":"s","qr":"q","extra":[1,2]})");
    const auto minimal = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_TRUE(minimal.ok());
    EXPECT_EQ(minimal.value().qr, "q");
    EXPECT_FALSE(minimal.value().vc.has_value());
    EXPECT_FALSE(minimal.value().pollToken.has_value());

    m_sim->injectResponse("/api/login-notify", 200, "application/json", R"({"sessionId":42})");
    const auto wrongType =
        sendAndWait<LoginNotifyResponse>(*client, Endpoint::loginNotify("AA00000000"));
    EXPECT_EQ(errorMessage(wrongType.error()), "Серверийн хариу буруу байна.");

    m_sim->injectFault(SimFault::malformedJson, "/api/start");
    const auto malformed = sendAndWait<StartResponse>(*client, Endpoint::start());
    EXPECT_EQ(errorMessage(malformed.error()), "Серверийн хариу буруу байна.");
}

TEST(WireModels, StatusFieldsAreAllOptionalButMustBeStrings)
{
    const auto empty = StatusResponse::decode("{}");
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(empty->isComplete());
    const auto running = StatusResponse::decode(R"({"state":"complete"})");
    ASSERT_TRUE(running.has_value());
    EXPECT_FALSE(running->isComplete());
    EXPECT_FALSE(StatusResponse::decode(R"({"state":true})").has_value());
    EXPECT_FALSE(StatusResponse::decode("[]").has_value());
    EXPECT_FALSE(StartResponse::decode(R"({"sessionId":"s","qr":"q","vc":5})").has_value());
}

TEST_F(ApiReplyTest, NotModifiedGoesThroughTheDecoderLikeSuccess)
{
    auto client = makeClient();
    m_sim->injectResponse("/api/start", 304, "application/json", {});
    const auto reply = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_NE(reply.apiError(), nullptr);
    // A 304 has no body to decode; what matters is that it is not a server error.
    EXPECT_EQ(reply.apiError()->kind(), APIError::Kind::invalidResponse);

    m_sim->injectResponse("/api/start", 203, "application/json", R"({"sessionId":"s","qr":"q"})");
    EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
}

TEST_F(ApiReplyTest, TransportFailuresPassThroughAsTheTransportsOwnErrors)
{
    auto client = makeClient();
    m_sim->injectFault(SimFault::drop, "/api/start", 3);
    const auto dropped = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_NE(dropped.transportError(), nullptr);
    EXPECT_EQ(dropped.transportError()->code, QNetworkReply::RemoteHostClosedError);
    EXPECT_FALSE(dropped.transportError()->pinRefused);

    const QString base = m_sim->baseUrl();
    m_sim.reset();
    m_settings->setValue("API_BASE_URL_OVERRIDE", base);
    const auto refused = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_NE(refused.transportError(), nullptr);
    EXPECT_EQ(refused.transportError()->code, QNetworkReply::ConnectionRefusedError);
    EXPECT_FALSE(refused.transportError()->message.isEmpty());
}

TEST_F(ApiReplyTest, IdleAndWholeExchangeLimitsEndStalledReplies)
{
    APIClientOptions idle;
    idle.timeouts.requestIdleMs = 300;
    auto idleClient = makeClient(idle);
    m_sim->injectFault(SimFault::slow, "/api/start", 1, 1500);
    const auto stalled = sendAndWait<StartResponse>(*idleClient, Endpoint::start());
    ASSERT_NE(stalled.transportError(), nullptr);
    EXPECT_EQ(stalled.transportError()->code, QNetworkReply::TimeoutError);

    APIClientOptions whole;
    whole.timeouts.exchangeMs = 300;
    auto wholeClient = makeClient(whole);
    m_sim->injectFault(SimFault::slow, "/api/start", 1, 1500);
    const auto tooLong = sendAndWait<StartResponse>(*wholeClient, Endpoint::start());
    ASSERT_NE(tooLong.transportError(), nullptr);
    EXPECT_EQ(tooLong.transportError()->code, QNetworkReply::TimeoutError);

    m_sim->injectFault(SimFault::slow, "/api/start", 1, 100);
    EXPECT_TRUE(sendAndWait<StartResponse>(*idleClient, Endpoint::start()).ok());
}

TEST_F(ApiReplyTest, CancelledOrOrphanedCallsNeverCallBack)
{
    auto client = makeClient();
    m_sim->injectFault(SimFault::slow, "/api/start", 2, 200);
    int callbacks = 0;
    QPointer<ApiCall> cancelled = client->send<StartResponse>(
        Endpoint::start(), &m_context, [&](CallResult<StartResponse>) { ++callbacks; });
    auto context = std::make_unique<QObject>();
    client->send<StartResponse>(Endpoint::start(), context.get(),
                                [&](CallResult<StartResponse>) { ++callbacks; });
    ASSERT_TRUE(waitUntil([&] { return m_sim->requests().size() == 2; }));
    cancelled->cancel();
    context.reset();
    runEventLoopFor(600);
    EXPECT_EQ(callbacks, 0);
    EXPECT_TRUE(cancelled.isNull());

    // The same calls left alone do answer, so the silence above is the cancellation's doing.
    m_sim->injectFault(SimFault::slow, "/api/start", 1, 200);
    client->send<StartResponse>(Endpoint::start(), &m_context,
                                [&](CallResult<StartResponse>) { ++callbacks; });
    EXPECT_TRUE(waitUntil([&] { return callbacks == 1; }));
}

TEST_F(ApiReplyTest, HealthIsTrueOnlyFor2xx)
{
    auto client = makeClient();
    EXPECT_TRUE(healthAndWait(*client));
    m_sim->injectResponse("/api/health", 204, "text/plain", {});
    EXPECT_TRUE(healthAndWait(*client));
    m_sim->injectResponse("/api/health", 503, "text/plain", "down");
    EXPECT_FALSE(healthAndWait(*client));
    m_sim->injectResponse("/api/health", 304, "text/plain", {});
    EXPECT_FALSE(healthAndWait(*client));
    m_sim->injectFault(SimFault::drop, "/api/health", 3);
    EXPECT_FALSE(healthAndWait(*client));
    const auto health = m_sim->requestsTo("/api/health");
    ASSERT_FALSE(health.isEmpty());
    EXPECT_EQ(health.first().method, "GET");
    m_sim.reset();
    EXPECT_FALSE(healthAndWait(*client));
    m_settings->setValue("API_BASE_URL_OVERRIDE", "http://bad host");
    EXPECT_FALSE(healthAndWait(*client));
}

} // namespace
