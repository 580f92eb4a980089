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

    /// Runs the tool while the event loop keeps the in-process simulator answering.
    Run runOrvela(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Settings of the tool's own go to a private place.
        environment.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ORVELA_CLI_PATH), args);
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30'000));
        return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                   QString::fromUtf8(process.readAllStandardOutput())};
    }
};

TEST_F(ProgramTest, HealthExitsZeroOnlyWhenTheBackendAnswersWell)
{
    ASSERT_NE(m_sim->start(), 0);
    const QString base = m_sim->baseUrl();
    const Run up = runOrvela({"--api-url", base + "/", "health"});
    EXPECT_EQ(up.exitCode, 0);
    EXPECT_EQ(up.output, base + ": reachable\n");
    m_sim.reset();
    const Run down = runOrvela({"health", "--api-url", base});
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_EQ(down.output, base + ": unreachable\n");
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
