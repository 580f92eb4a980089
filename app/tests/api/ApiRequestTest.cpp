// What the client puts on the wire, checked at the simulator's end of a real connection.

#include "TestSupport.h"
#include "api/LoginNotifyResponse.h"
#include "api/SignPdfStartResponse.h"
#include "api/StartResponse.h"
#include "common/SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::LogCapture;

namespace {

class ApiRequestTest : public ApiFixture {
protected:
    void SetUp() override
    {
        ApiFixture::SetUp();
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
    }

    QJsonObject jsonBody(const backendsim::RecordedRequest& request)
    {
        const QJsonDocument document = QJsonDocument::fromJson(request.body);
        EXPECT_TRUE(document.isObject()) << request.body.toStdString();
        return document.object();
    }
};

TEST_F(ApiRequestTest, LoginNotifyPostsTheRegisterAsJsonWithTheFixedHeaders)
{
    auto client = makeClient();
    const auto reply =
        sendAndWait<LoginNotifyResponse>(*client, Endpoint::loginNotify("УБ99112233"));
    ASSERT_TRUE(reply.ok()) << errorMessage(reply.error()).toStdString();
    EXPECT_FALSE(reply.value().sessionId.isEmpty());
    EXPECT_TRUE(reply.value().vc.has_value());
    EXPECT_TRUE(reply.value().pollToken.has_value());

    ASSERT_EQ(m_sim->requests().size(), 1);
    const auto& request = m_sim->requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/login-notify");
    EXPECT_TRUE(request.rawQuery.isEmpty());
    EXPECT_EQ(request.header("Accept"), "application/json");
    EXPECT_EQ(request.header("User-Agent"), "Orvela-Desktop/1.0");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_FALSE(request.hasHeader("Cookie"));
    EXPECT_FALSE(request.hasHeader("Authorization"));
    EXPECT_EQ(jsonBody(request), (QJsonObject{{"register", "УБ99112233"}}));
}

TEST_F(ApiRequestTest, SignPdfStartSendsAllFourFieldsWithAnEmptyCallback)
{
    auto client = makeClient();
    const QString digest = QString::fromLatin1(QByteArray(32, '\x07').toBase64());
    const auto reply = sendAndWait<SignPdfStartResponse>(
        *client, Endpoint::signPdfStart("PNOMN-УБ99112233", digest, "гэрээ.pdf"));
    ASSERT_TRUE(reply.ok()) << errorMessage(reply.error()).toStdString();

    const auto request = m_sim->requestsTo("/api/sign-pdf-start").value(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(jsonBody(request), (QJsonObject{{"etsi", "PNOMN-УБ99112233"},
                                              {"digestB64", digest},
                                              {"fileName", "гэрээ.pdf"},
                                              {"callbackUrl", ""}}));
}

TEST_F(ApiRequestTest, StartAndStatusCarryNoBodyAndNoContentType)
{
    auto client = makeClient();
    const auto started = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_TRUE(started.ok()) << errorMessage(started.error()).toStdString();
    EXPECT_TRUE(started.value().qr.startsWith("nuvia://"));
    const auto status = sendAndWait<StatusResponse>(
        *client, Endpoint::status(started.value().sessionId, *started.value().pollToken));
    ASSERT_TRUE(status.ok()) << errorMessage(status.error()).toStdString();

    ASSERT_EQ(m_sim->requests().size(), 2);
    const auto& start = m_sim->requests()[0];
    const auto& poll = m_sim->requests()[1];
    EXPECT_EQ(start.method, "POST");
    EXPECT_EQ(poll.method, "GET");
    for (const auto& request : {start, poll}) {
        EXPECT_TRUE(request.body.isEmpty()) << request.path.toStdString();
        EXPECT_FALSE(request.hasHeader("Content-Type")) << request.path.toStdString();
        EXPECT_EQ(request.header("Accept"), "application/json");
        EXPECT_EQ(request.header("User-Agent"), "Orvela-Desktop/1.0");
    }
}

TEST_F(ApiRequestTest, StatusQueryKeepsItsOrderAndEncodesEveryAwkwardCharacter)
{
    auto client = makeClient();
    const QString id = QStringLiteral("a b&c=d");
    const QString token = QStringLiteral("x+y/z==é#?");
    sendAndWait<StatusResponse>(*client, Endpoint::status(id, token));

    ASSERT_EQ(m_sim->requests().size(), 1);
    const auto& request = m_sim->requests().first();
    EXPECT_EQ(request.rawQuery, "sessionId=a%20b%26c%3Dd&pollToken=x%2By%2Fz%3D%3D%C3%A9%23%3F");
    ASSERT_EQ(request.query.size(), 2);
    EXPECT_EQ(request.query[0], qMakePair(QStringLiteral("sessionId"), id));
    EXPECT_EQ(request.query[1], qMakePair(QStringLiteral("pollToken"), token));
}

TEST_F(ApiRequestTest, CookiesAreNeitherKeptNorSent)
{
    m_sim->addResponseHeader("Set-Cookie", "sid=abc123; Path=/");
    auto client = makeClient();
    sendAndWait<StartResponse>(*client, Endpoint::start());
    sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_EQ(m_sim->requests().size(), 2);
    EXPECT_FALSE(m_sim->requests()[1].hasHeader("Cookie"));
}

TEST_F(ApiRequestTest, ExchangesAreLoggedWithoutQueryOrBody)
{
    LogCapture log;
    auto client = makeClient();
    const auto started = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_TRUE(started.ok());
    const QString token = *started.value().pollToken;
    sendAndWait<StatusResponse>(*client, Endpoint::status(started.value().sessionId, token));

    const QString category = QStringLiteral("mn.orvela.eid.desktop.APIClient");
    EXPECT_EQ(log.count(category, "→ POST /api/start"), 1);
    EXPECT_EQ(log.count(category, "← 200 /api/start"), 1);
    EXPECT_EQ(log.count(category, "→ GET /api/status"), 1);
    EXPECT_EQ(log.count(category, "← 200 /api/status"), 1);
    m_sim->injectFault(backendsim::SimFault::drop, "/api/status", 3);
    sendAndWait<StatusResponse>(*client, Endpoint::status(started.value().sessionId, token));
    EXPECT_EQ(log.count(category, "✕ /api/status: RemoteHostClosedError"), 1);
    for (const auto& line : log.lines()) {
        EXPECT_FALSE(line.text.contains(token)) << line.text.toStdString();
    }
}

class BaseUrlTest : public ApiFixture {};

TEST_F(BaseUrlTest, OverrideIsTrimmedOfBlanksAndTrailingSlashes)
{
    auto client = makeClient();
    m_settings->setValue(settings::apiBaseUrlOverride.toString(), " https://b.example//\t ");
    EXPECT_EQ(client->baseURL(), "https://b.example");
}

TEST_F(BaseUrlTest, BlankOverrideFallsThroughToTheEnvironmentThenTheBuiltInOrigin)
{
    auto client = makeClient();
    m_settings->setValue(settings::apiBaseUrlOverride.toString(), " \t ");
    qputenv("API_BASE_URL", "\thttp://127.0.0.1:9/ ");
    EXPECT_EQ(client->baseURL(), "http://127.0.0.1:9");
    qunsetenv("API_BASE_URL");
    EXPECT_EQ(client->baseURL(), "https://api.nuvia.example");
    qputenv("API_BASE_URL", "");
    EXPECT_EQ(client->baseURL(), "https://api.nuvia.example");
}

TEST_F(BaseUrlTest, ChangedOverrideAppliesToTheNextRequest)
{
    backendsim::BackendSim other;
    ASSERT_NE(m_sim->start(), 0);
    ASSERT_NE(other.start(), 0);
    auto client = makeClient();
    pointAt(*m_sim);
    EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    pointAt(other);
    EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    EXPECT_EQ(m_sim->requests().size(), 1);
    EXPECT_EQ(other.requests().size(), 1);
}

TEST_F(BaseUrlTest, FixedBaseUrlWinsOverSettingsAndEnvironment)
{
    m_settings->setValue(settings::apiBaseUrlOverride.toString(), "https://settings.example");
    qputenv("API_BASE_URL", "https://env.example");
    APIClientOptions options;
    options.fixedBaseUrl = " http://127.0.0.1:1// ";
    EXPECT_EQ(makeClient(options)->baseURL(), "http://127.0.0.1:1");
}

TEST_F(BaseUrlTest, UnparsableUrlFailsAsInvalidResponseWithoutSending)
{
    auto client = makeClient();
    m_settings->setValue(settings::apiBaseUrlOverride.toString(), "http://exa mple.example");
    const auto reply = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_NE(reply.apiError(), nullptr);
    EXPECT_EQ(reply.apiError()->kind(), APIError::Kind::invalidResponse);
    EXPECT_EQ(errorMessage(reply.error()), "Серверийн хариу буруу байна.");
}

} // namespace
