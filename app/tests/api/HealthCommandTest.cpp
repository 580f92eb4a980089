// `orvela health` as a user runs it, against the simulator up and down.

#include "TestSupport.h"

#include <QProcess>

using orvela::apitest::ApiFixture;
using orvela::apitest::waitUntil;

namespace {

class HealthCommandTest : public ApiFixture {
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
};

TEST_F(HealthCommandTest, ExitsZeroOnlyWhenTheBackendAnswersWell)
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

} // namespace
