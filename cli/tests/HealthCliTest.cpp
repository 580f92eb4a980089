// The two programs as a user runs them: `orvela health` against the simulator up and down, and
// the simulator program, which never listens off loopback.

#include "TestSupport.h"

#include <QProcess>

using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::waitUntil;

namespace {

class ProgramTest : public ApiFixture {
protected:
    struct Run {
        int exitCode = -1;
        QString output;
    };

    /// Runs a program while the event loop keeps the in-process simulator answering.
    Run run(const char* program, const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Settings of the tool's own go to a private place.
        environment.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        process.setProcessEnvironment(environment);
        process.start(QString::fromLocal8Bit(program), args);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30'000));
        return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                   QString::fromUtf8(process.readAllStandardOutput())};
    }
};

TEST_F(ProgramTest, HealthExitsZeroOnlyWhenTheBackendAnswersAndTheSimulatorKeepsToLoopback)
{
    ASSERT_NE(m_sim->start(), 0);
    const QString base = m_sim->baseUrl();
    const Run up = run(ORVELA_CLI_PATH, {"--api-url", base + "/", "health"});
    EXPECT_EQ(up.exitCode, 0);
    EXPECT_EQ(up.output, base + ": reachable\n");
    // A password written into the address stays off the screen.
    const Run withPassword =
        run(ORVELA_CLI_PATH, {"--api-url", QString(base).replace("//", "//ops:s3cret@"), "health"});
    EXPECT_EQ(withPassword.output, base + ": reachable\n");
    m_sim.reset();
    const Run down = run(ORVELA_CLI_PATH, {"health", "--api-url", base});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_EQ(down.output, base + ": unreachable\n");

    // The simulator program refuses an address off loopback, and a key it cannot read.
    const QStringList refused[] = {
        {"--listen", "0.0.0.0:3000"},
        {"--listen", "127.0.0.1:0", "--tls-cert", m_dir.filePath("none.pem"), "--tls-key",
         m_dir.filePath("none.key")},
    };
    for (const QStringList& args : refused) {
        EXPECT_EQ(run(ORVELA_BACKEND_SIM_PATH, args).exitCode, 2) << args.join(u' ').toStdString();
    }
}

} // namespace
