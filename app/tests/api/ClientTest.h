#pragma once

#include "TestSupport.h"
#include "api/LoginNotifyResponse.h"
#include "api/StartResponse.h"

#include <chrono>

namespace orvela::apitest {

/// The client pointed at a running simulator, with the sign-in and poll steps the call tests
/// share.
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
        const auto reply = sendAndWait<api::StartResponse>(*m_client, api::Endpoint::start());
        return reply.ok() ? QStringLiteral("ok") : errorMessage(reply.error());
    }

    api::LoginNotifyResponse signIn(const backendsim::SimOutcome& outcome)
    {
        m_sim->scriptNextOutcome(outcome);
        const auto reply = sendAndWait<api::LoginNotifyResponse>(
            *m_client, api::Endpoint::loginNotify("УБ99112233"));
        EXPECT_TRUE(reply.ok());
        return reply.ok() ? reply.value() : api::LoginNotifyResponse{};
    }

    api::CallResult<api::StatusResponse>
    pollAndWait(const api::LoginNotifyResponse& session,
                std::chrono::milliseconds limit = std::chrono::seconds(300))
    {
        std::optional<api::CallResult<api::StatusResponse>> result;
        m_client->pollStatus(session.sessionId, session.pollToken.value_or(QString()), limit,
                             &m_context,
                             [&](api::CallResult<api::StatusResponse> r) { result.emplace(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, 20'000));
        return result.value_or(
            api::CallResult<api::StatusResponse>(api::ApiError::invalidResponse()));
    }

    qsizetype statusRequests() const { return m_sim->requestsTo("/api/status").size(); }

    std::unique_ptr<api::APIClient> m_client;
};

} // namespace orvela::apitest
