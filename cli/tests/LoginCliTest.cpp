// `orvela login`, `whoami`, `activity` and `logout` end to end: the real binary against the
// simulator on 127.0.0.1, in a private keyring and a private home (scripts/lib/with-keyring.sh).

#include "BackendSim.h"
#include "SessionFixture.h"
#include "common/DateFormatter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace orvela;
using backendsim::SimOutcome;
using sessiontest::waitUntil;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class LoginCliTest : public sessiontest::SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
            << "the tool must write into a private configuration folder";
        ASSERT_NE(m_sim.start(), 0);
        m_sim.setApproveAfterMs(300);
    }

    /// Runs the tool without blocking the event loop, so the simulator in this process answers.
    ToolRun orvela(QStringList args, bool withApi = false)
    {
        if (withApi) {
            args = QStringList{QStringLiteral("--api-url"), m_sim.baseUrl()} + args;
        }
        QProcess process;
        process.start(QStringLiteral(ORVELA_CLI_PATH), args);
        EXPECT_TRUE(process.waitForStarted());
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30'000));
        return ToolRun{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                       QString::fromUtf8(process.readAllStandardError())};
    }

    QJsonObject json(const ToolRun& run)
    {
        const auto document = QJsonDocument::fromJson(run.out.toUtf8());
        EXPECT_TRUE(document.isObject()) << run.out.toStdString() << run.err.toStdString();
        return document.object();
    }

    backendsim::BackendSim m_sim;
};

// The name carries terminal controls and a forged ID line: shown as it came, they would set the
// window title, clear the screen and lie about the identity on every whoami.
TEST_F(LoginCliTest, SignInByNumberIsSharedWithTheDesktopShownHarmlesslyAndSignOutEndsIt)
{
    SimOutcome outcome;
    outcome.name = QStringLiteral("\x1b]0;t\x07\x1b[2JSaraa\nNational ID: XX00000000");
    m_sim.scriptNextOutcome(outcome);
    const ToolRun login = orvela({"--lang", "en", "login", "--register", " уб99112233"}, true);
    ASSERT_EQ(login.exitCode, 0) << login.out.toStdString() << login.err.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("VERIFICATION CODE: \\d{4}\n"))
                    .match(login.out)
                    .hasMatch())
        << login.out.toStdString();
    // The countdown is a progress line for a terminal: a pipe sees neither it nor a log line.
    EXPECT_FALSE(login.out.contains(QStringLiteral("⏱")) || !login.err.isEmpty());
    const QString shown = QStringLiteral("\\e]0;t\\x07\\e[2JSaraa\\nNational ID: XX00000000");
    EXPECT_TRUE(login.out.contains(QStringLiteral("Success! ") + shown)) << login.out.toStdString();
    const ToolRun whoami = orvela({"whoami"});
    EXPECT_EQ(whoami.out.split(u'\n').first(), shown);
    for (const QString& out : {login.out, whoami.out}) {
        EXPECT_FALSE(out.contains(QChar(0x1b)) ||
                     out.contains(QStringLiteral("\nNational ID: XX")));
    }
    EXPECT_EQ(json(orvela({"--json", "whoami"})).value("nationalId").toString(), "УБ99112233");

    // The desktop application, reading its own settings file and credential-store item, sees
    // the same person and the same log.
    QSettings desktopSettings(QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
                                  .filePath(QStringLiteral("Orvela/orvela-desktop.conf")),
                              QSettings::IniFormat);
    session::AppState desktop(platform::KeychainManager::shared(), desktopSettings, m_gate);
    ASSERT_TRUE(restore(desktop));
    EXPECT_EQ(desktop.fullName(), outcome.name);
    EXPECT_EQ(desktop.dashboardData()->totalLogins, 1);
    const QJsonArray sessions = json(orvela({"activity", "--json"})).value("sessions").toArray();
    ASSERT_EQ(sessions.size(), 1);
    // For people the time reads as on the screens; JSON keeps it as stored.
    const QString createdAt = sessions.first().toObject().value("createdAt").toString();
    EXPECT_TRUE(
        orvela({"--lang", "en", "activity"})
            .out.startsWith(common::DateFormatter().dateTime(createdAt, common::AppLanguage::en) +
                            "  AUTH"));

    const ToolRun logout = orvela({"--lang", "en", "logout"});
    ASSERT_EQ(logout.exitCode, 0) << logout.err.toStdString();
    EXPECT_EQ(logout.out, "Signed out.\n");
    const ToolRun after = orvela({"--lang", "en", "whoami"});
    EXPECT_EQ(after.exitCode, 1);
    EXPECT_EQ(after.err, "Not signed in.\n");
    EXPECT_TRUE(json(orvela({"--json", "activity"})).value("sessions").toArray().isEmpty());
}

TEST_F(LoginCliTest, QrSignInDrawsTheCodeAndFailuresExitOneWithTheirText)
{
    const ToolRun qr = orvela({"login", "--qr"}, true);
    ASSERT_EQ(qr.exitCode, 0) << qr.out.toStdString() << qr.err.toStdString();
    EXPECT_TRUE(qr.out.contains(QChar(0x2588))) << qr.out.toStdString();
    EXPECT_TRUE(qr.out.contains(QStringLiteral("БАТАЛГААЖУУЛАХ КОД: ")));

    SimOutcome refused;
    refused.endResult = QStringLiteral("USER_REFUSED");
    m_sim.scriptNextOutcome(refused);
    const ToolRun declined = orvela({"login", "--register", "УБ00000001"}, true);
    EXPECT_EQ(declined.exitCode, 1);
    // The failure text is all there is: the client's request log needs -v.
    EXPECT_EQ(declined.err, QStringLiteral("Хэрэглэгч татгалзсан байна.\n"));
    EXPECT_EQ(orvela({"whoami"}).exitCode, 0); // the earlier sign-in stays
}

TEST_F(LoginCliTest, WrongUsageSendsNothing)
{
    for (const QStringList& args : {QStringList{"login"}, QStringList{"login", "--register", "  "},
                                    QStringList{"login", "--qr", "--register", "X"}}) {
        EXPECT_EQ(orvela(args, true).exitCode, 2) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(m_sim.requests().isEmpty());
}

} // namespace
