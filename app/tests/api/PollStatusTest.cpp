// The status poller against the simulated phone: cadence, outcomes, limits and cancellation.

#include "TestSupport.h"
#include "api/LoginNotifyResponse.h"

#include <cmath>

using namespace orvela;
using namespace orvela::api;
using namespace std::chrono_literals;
using orvela::apitest::ApiFixture;
using orvela::apitest::runEventLoopFor;
using orvela::apitest::waitUntil;
using orvela::backendsim::SimOutcome;

namespace {

class PollStatusTest : public ApiFixture {
protected:
    void SetUp() override
    {
        ApiFixture::SetUp();
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
        m_client = makeClient();
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

TEST_F(PollStatusTest, PollsEvery400MsUntilApprovedAndReturnsThePerson)
{
    SimOutcome outcome;
    outcome.approveAfterMs = 1800;
    outcome.name = "Доржийн Сараа";
    const auto session = signIn(outcome);
    const auto result = pollAndWait(session);
    ASSERT_TRUE(result.ok()) << errorMessage(result.error()).toStdString();
    EXPECT_TRUE(result.value().isComplete());
    EXPECT_EQ(result.value().endResult, "OK");
    EXPECT_EQ(result.value().name, "Доржийн Сараа");
    EXPECT_EQ(result.value().idNumber, "УБ99112233");

    // One request at once, then one per 0.4 s until the phone has answered.
    const auto expected = static_cast<qsizetype>(std::ceil(1800 / 400.0)) + 1;
    EXPECT_GE(statusRequests(), expected - 1);
    EXPECT_LE(statusRequests(), expected + 1);
    for (const auto& request : m_sim->requestsTo("/api/status")) {
        EXPECT_EQ(request.query.value(1).second, *session.pollToken);
    }
}

TEST_F(PollStatusTest, RefusalsAndPhoneTimeoutsAreOutcomesNotErrors)
{
    for (const QString code : {"USER_REFUSED", "TIMEOUT", "X_OTHER"}) {
        SimOutcome outcome;
        outcome.endResult = code;
        const auto result = pollAndWait(signIn(outcome));
        ASSERT_TRUE(result.ok()) << code.toStdString();
        EXPECT_EQ(result.value().endResult, code);
        EXPECT_FALSE(result.value().documentNumber.has_value());
    }
}

TEST_F(PollStatusTest, ErrorsEndThePollAtOnceButAnEmptyErrorTextIsNone)
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

TEST_F(PollStatusTest, TheDeadlineEndsAPollThePhoneNeverAnswers)
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
    EXPECT_GE(statusRequests(), 2);
    EXPECT_LE(statusRequests(), 4);
}

TEST_F(PollStatusTest, CancellingAPollStopsItsRequestsAndItsCallback)
{
    SimOutcome outcome;
    outcome.approveAfterMs = 60'000;
    const auto session = signIn(outcome);
    int callbacks = 0;
    QPointer<ApiCall> poll =
        m_client->pollStatus(session.sessionId, *session.pollToken, 300s, &m_context,
                             [&](CallResult<StatusResponse>) { ++callbacks; });
    ASSERT_TRUE(waitUntil([&] { return statusRequests() >= 2; }));
    poll->cancel();
    const qsizetype atCancel = statusRequests();
    runEventLoopFor(1200);
    EXPECT_EQ(statusRequests(), atCancel);
    EXPECT_EQ(callbacks, 0);

    auto context = std::make_unique<QObject>();
    m_client->pollStatus(session.sessionId, *session.pollToken, 300s, context.get(),
                         [&](CallResult<StatusResponse>) { ++callbacks; });
    ASSERT_TRUE(waitUntil([&] { return statusRequests() >= atCancel + 2; }));
    context.reset();
    const qsizetype atDeath = statusRequests();
    runEventLoopFor(1200);
    EXPECT_EQ(statusRequests(), atDeath);
    EXPECT_EQ(callbacks, 0);
}

} // namespace
