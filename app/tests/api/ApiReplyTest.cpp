// How replies become values or errors: the error-body rule, decoding, transport failures,
// time limits and cancellation.

#include "TestSupport.h"
#include "api/ErrorResponse.h"
#include "api/LoginNotifyResponse.h"
#include "api/StartResponse.h"

#include <QRegularExpression>

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
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
        m_client = makeClient();
    }

    QString startMessage()
    {
        const auto reply = sendAndWait<StartResponse>(*m_client, Endpoint::start());
        return reply.ok() ? QStringLiteral("ok") : errorMessage(reply.error());
    }

    std::unique_ptr<APIClient> m_client;
};

TEST_F(ApiReplyTest, EveryFailingStatusCarriesTheBackendMessageOrItsBestSubstitute)
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
    // The simulator's own faults, which other tests rely on.
    const std::pair<SimFault, QString> faults[] = {
        {SimFault::rateLimited,
         "Сервер алдаа (429): Хэт олон оролдлого — 1 минут хүлээгээд дахин оролдоно уу."},
        {SimFault::serverText, "Сервер алдаа (500): simulated failure"},
        {SimFault::badGatewayJson, "Сервер алдаа (502): upstream unavailable"},
        {SimFault::malformedJson, invalid},
    };
    for (const auto& [fault, expected] : faults) {
        m_sim->injectFault(fault, "/api/start");
        EXPECT_EQ(startMessage(), expected);
    }
}

TEST(ApiErrorText, EveryKindHasAnEnglishWordingOfItsOwn)
{
    const TransportError refusedPin{QNetworkReply::OperationCanceledError,
                                    QStringLiteral("Operation canceled"), true};
    const CallError errors[] = {APIError::server(500, QStringLiteral("abc")),
                                APIError::invalidResponse(), APIError::timeout(),
                                APIError::replyTooLarge(),   APIError::incompleteReply(),
                                APIError::redirectRefused(), refusedPin};
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    QSet<QString> seen;
    for (const CallError& error : errors) {
        const QString english = errorMessage(error, common::AppLanguage::en);
        EXPECT_FALSE(english.contains(cyrillic)) << english.toStdString();
        EXPECT_TRUE(errorMessage(error).contains(cyrillic)) << english.toStdString();
        seen.insert(english);
    }
    EXPECT_EQ(seen.size(), std::size(errors));
    // Qt calls a refused pin check a cancelled operation; the person is told the cause.
    EXPECT_TRUE(errorMessage(refusedPin, common::AppLanguage::en).contains("pinned key"));
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

TEST(WireModels, StatusFieldsAreAllOptionalButMustBeStrings)
{
    const auto empty = StatusResponse::decode("{}");
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(empty->isComplete());
    EXPECT_FALSE(StatusResponse::decode(R"({"state":"complete"})")->isComplete());
    EXPECT_FALSE(StatusResponse::decode(R"({"state":true})").has_value());
    EXPECT_FALSE(StatusResponse::decode("[]").has_value());
    EXPECT_FALSE(LoginNotifyResponse::decode(R"({"sessionId":42})").has_value());
}

TEST_F(ApiReplyTest, TransportFailuresPassThroughAsTheTransportsOwnErrors)
{
    m_sim->injectFault(SimFault::drop, "/api/start", 3);
    const auto dropped = sendAndWait<StartResponse>(*m_client, Endpoint::start());
    ASSERT_NE(dropped.transportError(), nullptr);
    EXPECT_EQ(dropped.transportError()->code, QNetworkReply::RemoteHostClosedError);
    EXPECT_FALSE(dropped.transportError()->pinRefused);

    m_sim.reset();
    const auto refused = sendAndWait<StartResponse>(*m_client, Endpoint::start());
    ASSERT_NE(refused.transportError(), nullptr);
    EXPECT_EQ(refused.transportError()->code, QNetworkReply::ConnectionRefusedError);
}

TEST_F(ApiReplyTest, IdleAndWholeExchangeLimitsEndStalledReplies)
{
    APIClientOptions idle;
    idle.timeouts.requestIdleMs = 300;
    APIClientOptions whole;
    whole.timeouts.exchangeMs = 300;
    for (const APIClientOptions& options : {idle, whole}) {
        auto client = makeClient(options);
        m_sim->injectFault(SimFault::slow, "/api/start", 1, 1500);
        const auto stalled = sendAndWait<StartResponse>(*client, Endpoint::start());
        ASSERT_NE(stalled.transportError(), nullptr);
        EXPECT_EQ(stalled.transportError()->code, QNetworkReply::TimeoutError);
        m_sim->injectFault(SimFault::slow, "/api/start", 1, 100);
        EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    }
}

TEST_F(ApiReplyTest, CancelledOrOrphanedCallsNeverCallBack)
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

TEST_F(ApiReplyTest, HealthIsTrueOnlyFor2xx)
{
    EXPECT_TRUE(healthAndWait(*m_client));
    EXPECT_EQ(m_sim->requestsTo("/api/health").value(0).method, "GET");
    const std::pair<int, bool> statuses[] = {{204, true}, {299, true}, {304, false}, {503, false}};
    for (const auto& [status, healthy] : statuses) {
        m_sim->injectResponse("/api/health", status, "text/plain", {});
        EXPECT_EQ(healthAndWait(*m_client), healthy) << status;
    }
    m_sim->injectFault(SimFault::drop, "/api/health", 3);
    EXPECT_FALSE(healthAndWait(*m_client));
    m_sim.reset();
    EXPECT_FALSE(healthAndWait(*m_client));
}

TEST_F(ApiReplyTest, AnUnusableUrlFailsEveryCallWithoutSending)
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

} // namespace
