// `orvela sign` end to end: the real binary, signed in with `orvela login` against the simulator
// on 127.0.0.1, in a private keyring and home (scripts/lib/with-keyring.sh).

#include "QtPrinters.h"
#include "SigningFixture.h"
#include "common/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <memory>

using namespace orvela;
using namespace orvela::signingtest;
using backendsim::SimOutcome;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The tool inherits the private configuration home the test main sets.
class SignCliTest : public SigningFixture {
protected:
    /// The tool trusts the simulator's authority through the configured bundle, as a user
    /// would set up their service's authorities.
    void SetUp() override
    {
        SigningFixture::SetUp();
        const QString bundle = m_dir.filePath(QStringLiteral("authorities.pem"));
        QFile file(bundle);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(m_sim.authorityPem()) > 0);
        file.close();
        QSettings tool(QStringLiteral("Orvela"), QStringLiteral("orvela-desktop"));
        tool.setValue(settings::signingTrustBundlePath.toString(), bundle);
        tool.sync();
    }

    /// Starts the tool; it runs while the event loop does, so the simulator here answers it.
    std::unique_ptr<QProcess> start(const QStringList& args)
    {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(ORVELA_CLI_PATH),
                       QStringList{"--api-url", m_sim.baseUrl(), "--lang", "en"} + args);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }

    static ToolRun finish(QProcess& process)
    {
        EXPECT_TRUE(waitUntil([&] { return process.state() == QProcess::NotRunning; }, 60'000));
        return ToolRun{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                       QString::fromUtf8(process.readAllStandardError())};
    }

    ToolRun orvela(const QStringList& args) { return finish(*start(args)); }

    void login()
    {
        const ToolRun run = orvela({"login", "--register", "уб99112233"});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    }

    const QString m_out = m_dir.filePath(QStringLiteral("out"));
};

TEST_F(SignCliTest, PrintsTheCodeAndTheCopyAndEachFailureAsOneLineInTheChosenLanguage)
{
    login();
    const ToolRun run = orvela({"sign", writeDocument("contract.pdf"), "--out", m_out});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("VERIFICATION CODE: \\d{4}\n")).match(run.out).hasMatch())
        << run.out.toStdString();
    const QString saved = QDir(m_out).filePath("contract_signed.pdf");
    EXPECT_TRUE(run.out.contains(QStringLiteral("Signed successfully: ") + saved))
        << run.out.toStdString();
    // orvela verify trusts what the signing trusted: the configured bundle.
    const ToolRun verified = orvela({"verify", saved});
    EXPECT_EQ(verified.exitCode, 0) << verified.out.toStdString() << verified.err.toStdString();
    const ToolRun again = orvela({"--json", "sign", writeDocument("contract.pdf"), "--out", m_out});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(again.out.toUtf8()).object().value("path").toString(),
              QDir(m_out).filePath("contract_signed (1).pdf"));

    // A copy that fails its check is kept but reported as a failure, in the page's words.
    SimOutcome otherSigner;
    otherSigner.copy = backendsim::SignedCopyTamper::otherSigner;
    m_sim.scriptNextOutcome(otherSigner);
    const ToolRun forged = orvela({"sign", writeDocument("deed.pdf"), "--out", m_out});
    EXPECT_EQ(forged.exitCode, 1);
    EXPECT_TRUE(forged.err.contains(
        "The returned copy is not signed as you asked: The copy is signed by someone else "
        "(register number УБ00000000), not by you."))
        << forged.err.toStdString();
    EXPECT_TRUE(forged.err.contains(QDir(m_out).filePath("deed_signed.pdf")));

    SimOutcome refusal;
    refusal.endResult = QStringLiteral("USER_REFUSED");
    m_sim.scriptNextOutcome(refusal);
    const ToolRun declined = orvela({"sign", writeDocument("a.pdf"), "--out", m_out});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.err, QStringLiteral("Signing was declined.\n"));

    // The backend client's errors follow --lang too.
    m_sim.injectFault(backendsim::SimFault::rateLimited, QStringLiteral("/api/sign-pdf-start"));
    const ToolRun limited =
        orvela({"--lang", "mn", "sign", writeDocument("c.pdf"), "--out", m_out});
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_TRUE(limited.err.startsWith(QStringLiteral("Сервер алдаа (429)")))
        << limited.err.toStdString();
    EXPECT_EQ(limited.err.count(u'\n'), 1) << limited.err.toStdString();

    // A folder that cannot be made is said before the phone is asked.
    const QString blocked = m_dir.filePath(QStringLiteral("blocker/out"));
    QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const ToolRun noFolder = orvela({"sign", writeDocument("d.pdf"), "--out", blocked});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_EQ(noFolder.err, "The folder could not be created: " + blocked + "\n");

    ASSERT_EQ(orvela({"logout"}).exitCode, 0);
    const ToolRun signedOut = orvela({"sign", writeDocument("b.pdf"), "--out", m_out});
    EXPECT_EQ(signedOut.exitCode, 1);
    EXPECT_TRUE(signedOut.err.contains("Not signed in.")) << signedOut.err.toStdString();
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files).size(), 3);
}

TEST_F(SignCliTest, RunsFinishingTogetherEachKeepTheirCopyAndTheirRecord)
{
    login();
    // The phone answers every run at the same poll, so the copies are saved and recorded at
    // once, into one folder and one settings file.
    m_sim.setApproveAfterMs(60'000);
    constexpr int runs = 4;
    const QString contract = writeDocument("contract.pdf");
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < runs; ++i) {
        processes.push_back(start({"--json", "sign", contract, "--out", m_out}));
    }
    ASSERT_TRUE(waitUntil(
        [&] { return m_sim.requestsTo(QStringLiteral("/api/status")).size() >= runs; }, 30'000));
    m_sim.setApproveAfterMs(0);
    QSet<QString> paths;
    for (auto& process : processes) {
        const ToolRun run = finish(*process);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        paths.insert(QJsonDocument::fromJson(run.out.toUtf8()).object().value("path").toString());
    }
    EXPECT_EQ(paths.size(), runs);
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden).size(), runs);

    const ToolRun activity = orvela({"--json", "activity"});
    ASSERT_EQ(activity.exitCode, 0);
    QStringList signedNames;
    for (const auto& session :
         QJsonDocument::fromJson(activity.out.toUtf8()).object().value("sessions").toArray()) {
        if (session.toObject().value("sessionType").toString() == u"SIGN") {
            signedNames << session.toObject().value("pushText").toString();
        }
    }
    EXPECT_EQ(signedNames, QStringList(runs, QStringLiteral("contract.pdf")));
}

} // namespace
