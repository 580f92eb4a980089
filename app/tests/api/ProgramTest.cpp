// The two programs as a user runs them: `orvela health` against the simulator up and down, and
// the simulator program, whose command line reaches the simulated phone.

#include "TestSupport.h"
#include "api/LoginNotifyResponse.h"

#include <QProcess>
#include <QTcpServer>

using namespace orvela::api;
using namespace std::chrono_literals;
using orvela::apitest::ApiFixture;
using orvela::apitest::waitUntil;

namespace {

class ProgramTest : public ApiFixture {
protected:
    struct Run {
        int exitCode = -1;
        QString output;
    };

    /// Runs the tool while the event loop keeps the in-process simulator answering.
    Run runOrvela(const QStringList& args, const QProcessEnvironment& env = {})
    {
        QProcess process;
        QProcessEnvironment environment =
            env.isEmpty() ? QProcessEnvironment::systemEnvironment() : env;
        // Settings of the tool's own go to a private place.
        environment.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ORVELA_CLI_PATH), args);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30'000));
        return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                   QString::fromUtf8(process.readAllStandardOutput())};
    }

    void TearDown() override
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(5'000);
        }
        ApiFixture::TearDown();
    }

    /// Starts the program on a free port; returns its base URL, empty when it did not start.
    QString launch(const QStringList& options)
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const QString address = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        m_program.start(QStringLiteral(ORVELA_BACKEND_SIM_PATH),
                        QStringList{"--listen", address} + options);
        const bool listening = waitUntil([&] {
            return m_program.state() == QProcess::NotRunning ||
                   m_program.peek(4096).contains("listening");
        });
        return listening && m_program.state() == QProcess::Running ? "http://" + address
                                                                   : QString();
    }

    QProcess m_program;
};

TEST_F(ProgramTest, HealthExitsZeroOnlyWhenTheBackendAnswersWell)
{
    ASSERT_NE(m_sim->start(), 0);
    const QString base = m_sim->baseUrl();
    const Run up = runOrvela({"--api-url", base + "/", "health"});
    EXPECT_EQ(up.exitCode, 0);
    EXPECT_EQ(up.output, base + ": reachable\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("API_BASE_URL", base);
    const Run json = runOrvela({"--json", "health"}, env);
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_TRUE(json.output.contains("\"reachable\": true")) << json.output.toStdString();

    for (const int status : {302, 500}) {
        m_sim->injectResponse("/api/health", status, "text/plain", "down for maintenance");
        EXPECT_EQ(runOrvela({"--api-url", base, "health"}).exitCode, 1) << status;
    }
    m_sim.reset();
    const Run down = runOrvela({"health", "--api-url", base});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_EQ(down.output, base + ": unreachable\n");
}

TEST_F(ProgramTest, SimulatorOutcomeAndApprovalDelayComeFromTheCommandLine)
{
    // An hour's delay keeps the phone silent past a short poll; none gives its outcome at once.
    for (const bool delayed : {true, false}) {
        const QString base =
            launch({"--outcome", "USER_REFUSED", "--approve-after", delayed ? "3600" : "0"});
        ASSERT_FALSE(base.isEmpty());
        m_settings->setValue("API_BASE_URL_OVERRIDE", base);
        auto client = makeClient();
        const auto session =
            sendAndWait<LoginNotifyResponse>(*client, Endpoint::loginNotify("УБ99112233"));
        ASSERT_TRUE(session.ok());
        std::optional<CallResult<StatusResponse>> result;
        client->pollStatus(session.value().sessionId, *session.value().pollToken,
                           delayed ? 1500ms : 60s, &m_context,
                           [&](CallResult<StatusResponse> r) { result.emplace(r); });
        ASSERT_TRUE(waitUntil([&] { return result.has_value(); }, 70'000));
        if (delayed) {
            ASSERT_NE(result->apiError(), nullptr);
            EXPECT_EQ(result->apiError()->kind(), APIError::Kind::timeout);
        } else {
            ASSERT_TRUE(result->ok());
            EXPECT_EQ(result->value().endResult, "USER_REFUSED");
            EXPECT_FALSE(result->value().name.has_value());
        }
        m_program.kill();
        m_program.waitForFinished(5'000);
    }
}

TEST_F(ProgramTest, SimulatorRefusesAddressesOffLoopbackAndMissingKeys)
{
    const QStringList refused[] = {
        {"--listen", "0.0.0.0:3000"},
        {"--listen", "127.0.0.1:0", "--tls-cert", m_dir.filePath("none.pem"), "--tls-key",
         m_dir.filePath("none.key")},
    };
    for (const QStringList& args : refused) {
        QProcess program;
        program.start(QStringLiteral(ORVELA_BACKEND_SIM_PATH), args);
        ASSERT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }));
        EXPECT_EQ(program.exitCode(), 2) << args.join(u' ').toStdString();
    }
}

} // namespace
