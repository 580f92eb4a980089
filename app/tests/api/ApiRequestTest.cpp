// What the client puts on the wire, checked at the simulator's end of a real connection, and
// where it sends it.

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
};

TEST_F(ApiRequestTest, EachCallHasItsMethodPathBodyAndTheFixedHeadersButNoCookie)
{
    m_sim->addResponseHeader("Set-Cookie", "sid=abc123; Path=/");
    auto client = makeClient();
    const QString digest = QString::fromLatin1(QByteArray(32, '\x07').toBase64());
    LogCapture log;
    ASSERT_TRUE(sendAndWait<LoginNotifyResponse>(*client, Endpoint::loginNotify("УБ99112233")).ok());
    ASSERT_TRUE(sendAndWait<SignPdfStartResponse>(
                    *client, Endpoint::signPdfStart("PNOMN-УБ99112233", digest, "гэрээ.pdf"))
                    .ok());
    const auto started = sendAndWait<StartResponse>(*client, Endpoint::start());
    ASSERT_TRUE(started.ok());
    const QString token = *started.value().pollToken;
    ASSERT_TRUE(
        sendAndWait<StatusResponse>(*client, Endpoint::status(started.value().sessionId, token))
            .ok());

    const struct {
        QByteArray method;
        QString path;
        QJsonObject body; // empty: no body at all
    } expected[] = {
        {"POST", "/api/login-notify", {{"register", "УБ99112233"}}},
        {"POST", "/api/sign-pdf-start",
         {{"etsi", "PNOMN-УБ99112233"}, {"digestB64", digest}, {"fileName", "гэрээ.pdf"},
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
    for (const auto& line : log.lines()) {
        EXPECT_FALSE(line.text.contains(token) || line.text.contains("УБ99112233"))
            << line.text.toStdString();
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
    EXPECT_EQ(request.query, (QList<QPair<QString, QString>>{{"sessionId", id}, {"pollToken", token}}));
}

TEST_F(ApiRequestTest, TheBaseUrlIsTheFixedOneElseTheSettingElseTheEnvironmentTrimmed)
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
    auto client = makeClient();
    pointAt(*m_sim);
    EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    pointAt(other);
    EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    EXPECT_EQ(m_sim->requests().size(), 1);
    EXPECT_EQ(other.requests().size(), 1);
}

} // namespace
