// The diagnostics report against real components in each state: pcscd with the virtual token,
// stopped, or with no reader; SoftHSM2 registered with p11-kit or not, or a chosen module that
// does not load; the backend simulator up, down, slow, an hour off, pinned and not; the Secret
// Service there or not. Each row runs the report in a process of its own (pcsc-lite and the
// credential store keep their connection per process), shaped by diag_env.sh.

#include "../api/TestPki.h"
#include "BackendSim.h"
#include "EventLoop.h"
#include "api/APIClient.h"
#include "common/AppIdentity.h"
#include "common/SettingsFile.h"
#include "diagnostics/DiagnosticsRunner.h"
#include "diagnostics/Report.h"
#include "orvela/tokenkit/CardReaders.h"
#include "platform/KeychainManager.h"
#include "session/StoredIdentity.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSslKey>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvela::diagtest {

using backendsim::BackendSim;

// What the rows put where the report must not show it.
const QString kRegister = QStringLiteral("УБ99112233");
const QString kFullName = QStringLiteral("Батаа Дорж");
const QString kDocument = QStringLiteral("DOC-7731-SECRET");
const QString kCivilId = QStringLiteral("CIV-55120913");
const QString kUserPin = QStringLiteral("diag-pin-4821");
const QString kSoPin = QStringLiteral("diag-so-9071");
const QString kSeparator = QStringLiteral("\n=== text ===\n");

/// The virtual token comes up a moment after pcscd: rows that expect it wait until it answers.
bool waitForVirtualCard()
{
    tokenkit::CardReaders readers(tokenkit::makePcscBackend());
    return testing::waitUntil([&] {
        try {
            return !readers.getATR(0).empty();
        } catch (const std::exception&) {
            return false;
        }
    });
}

enum class Backend { up, down, slow, hourAhead, pinnedMatching, pinnedOther };
enum class Pcsc { virtualToken, stopped, noReader };

struct Row {
    const char* name;
    Pcsc pcsc;
    bool softHsmRegistered;
    Backend backend;
    bool secretService;
    QString chosenLibrary;               ///< pkcs11.libraryPath, empty for none
    std::map<QString, QString> verdicts; ///< check id → verdict
    QStringList shown = {};              ///< texts the report must hold
    QStringList timedOut = {};           ///< checks that must say they timed out
    bool viaCli = false;                 ///< run `orvela diagnose` itself
};

const Row kRows[] = {
    {"everything present, through orvela diagnose",
     Pcsc::virtualToken,
     true,
     Backend::up,
     true,
     {},
     {{"smartCard", "fine"},
      {"pkcs11", "fine"},
      {"backend", "fine"},
      {"credentialStore", "fine"},
      {"program", "fine"},
      {"settings", "fine"}},
     {QStringLiteral("УБ******33"), QStringLiteral("diag-token"), QStringLiteral("softhsm2")},
     {},
     true},
    {"pcscd stopped, nothing registered",
     Pcsc::stopped,
     false,
     Backend::up,
     true,
     {},
     {{"smartCard", "problem"}, {"pkcs11", "warning"}},
     {QStringLiteral("pcscd")}},
    {"no reader; the chosen module does not load",
     Pcsc::noReader,
     true,
     Backend::up,
     true,
     QStringLiteral("/nonexistent/libgone.so"),
     {{"smartCard", "warning"}, {"pkcs11", "problem"}},
     {QStringLiteral("/nonexistent/libgone.so"), QStringLiteral("No such file or directory")}},
    {"backend down, no Secret Service",
     Pcsc::virtualToken,
     true,
     Backend::down,
     false,
     {},
     {{"backend", "problem"}, {"credentialStore", "problem"}, {"smartCard", "fine"}}},
    {"backend slower than the limit",
     Pcsc::virtualToken,
     false,
     Backend::slow,
     true,
     {},
     {{"backend", "problem"}},
     {},
     {QStringLiteral("backend")}},
    {"server clock an hour ahead",
     Pcsc::virtualToken,
     false,
     Backend::hourAhead,
     true,
     {},
     {{"backend", "problem"}},
     {QStringLiteral("+360")}},
    {"pinned, chain matches",
     Pcsc::virtualToken,
     false,
     Backend::pinnedMatching,
     true,
     {},
     {{"backend", "fine"}},
     {QStringLiteral("TLS 1.3"), QStringLiteral("127.0.0.1")}},
    {"pinned, chain does not match",
     Pcsc::virtualToken,
     false,
     Backend::pinnedOther,
     true,
     {},
     {{"backend", "problem"}}},
};

class DiagnosticsReport : public ::testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite()
    {
        s_work = new QTemporaryDir;
        ASSERT_TRUE(s_work->isValid());
        makeSoftHsmToken();
        QDir(s_work->path()).mkpath(QStringLiteral("registered"));
        QDir(s_work->path()).mkpath(QStringLiteral("none"));
        writeFile(s_work->filePath(QStringLiteral("registered/softhsm2.module")),
                  "module: " SOFTHSM_LIBRARY "\n");
        storeIdentity();
        ASSERT_TRUE(waitForVirtualCard());
    }
    static void TearDownTestSuite()
    {
        delete s_pki;
        delete s_work;
    }

    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static void makeSoftHsmToken()
    {
        const QString dir = s_work->filePath(QStringLiteral("softhsm"));
        QDir().mkpath(dir + QStringLiteral("/tokens"));
        writeFile(dir + QStringLiteral("/softhsm2.conf"),
                  QStringLiteral("directories.tokendir = %1/tokens\nobjectstore.backend = file\n"
                                 "log.level = ERROR\n")
                      .arg(dir)
                      .toUtf8());
        qputenv("SOFTHSM2_CONF", (dir + QStringLiteral("/softhsm2.conf")).toUtf8());
        QProcess init;
        init.start(QStringLiteral("softhsm2-util"),
                   {QStringLiteral("--init-token"), QStringLiteral("--free"),
                    QStringLiteral("--label"), QStringLiteral("diag-token"),
                    QStringLiteral("--so-pin"), kSoPin, QStringLiteral("--pin"), kUserPin});
        ASSERT_TRUE(init.waitForFinished(30000));
        ASSERT_EQ(init.exitCode(), 0) << init.readAllStandardError().toStdString();
    }

    /// Signs a person in, as far as the credential store knows, in the suite's private keyring.
    static void storeIdentity()
    {
        const session::StoredIdentity identity{kDocument,
                                               kFullName,
                                               kCivilId,
                                               kRegister,
                                               QStringLiteral("high"),
                                               QStringLiteral("2026-12-07T10:00:00Z")};
        bool done = false;
        QObject context;
        platform::KeychainManager().save(identity.encode(), platform::KeychainItem::identity,
                                         &context,
                                         [&](std::optional<platform::KeychainError> error) {
                                             EXPECT_FALSE(error.has_value());
                                             done = true;
                                         });
        ASSERT_TRUE(testing::waitUntil([&] { return done; }));
    }

    static apitest::TestPki& pki()
    {
        if (s_pki == nullptr) {
            s_pki = new apitest::TestPki;
        }
        return *s_pki;
    }

    /// The simulator the row asks for, and the address the report is to check.
    QString startBackend(Backend backend, QProcessEnvironment& env)
    {
        if (backend == Backend::down) {
            return QStringLiteral("http://127.0.0.1:9"); // discard: nothing listens
        }
        const bool tls = backend == Backend::pinnedMatching || backend == Backend::pinnedOther;
        if (tls) {
            m_sim.useTls(pki().chain(QStringLiteral("p256")),
                         pki().leaf(QStringLiteral("p256")).key);
            const QString ca = s_work->filePath(QStringLiteral("ca.pem"));
            writeFile(ca, pki().root().toPem());
            env.insert(QStringLiteral("ORVELA_TEST_CA"), ca);
            const QString pin = apitest::TestPki::spkiPin(
                pki()
                    .leaf(backend == Backend::pinnedMatching ? QStringLiteral("p256")
                                                             : QStringLiteral("p384"))
                    .certificate);
            env.insert(QStringLiteral("ORVELA_TEST_PINS"), pin);
        }
        if (backend == Backend::slow) {
            m_sim.injectFault(backendsim::SimFault::slow, QStringLiteral("/api/health"), 10, 4000);
        }
        if (backend == Backend::hourAhead) {
            m_sim.setClockSkewSeconds(3600);
        }
        EXPECT_NE(m_sim.start(), 0);
        return m_sim.baseUrl();
    }

    /// The row's home: its settings file written before the program opens it.
    QString makeHome(const Row& row, bool pinning)
    {
        const QString config = m_home.filePath(QStringLiteral("config/Orvela"));
        QDir().mkpath(config);
        QByteArray ini = "[General]\n";
        ini += pinning ? "security.tlsPinning=true\n" : "security.tlsPinning=false\n";
        if (!row.chosenLibrary.isEmpty()) {
            ini += "pkcs11.libraryPath=" + row.chosenLibrary.toUtf8() + "\n";
        }
        writeFile(config + QStringLiteral("/orvela-desktop.conf"), ini);
        return m_home.path();
    }

    /// Runs the row's program with the event loop going, so the simulator in this process
    /// answers; returns its output (the JSON document, then the text).
    QString runRow(const Row& row)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString base = startBackend(row.backend, env);
        const bool pinned =
            row.backend == Backend::pinnedMatching || row.backend == Backend::pinnedOther;
        const QString home = makeHome(row, pinned);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        env.insert(QStringLiteral("API_BASE_URL"), base);
        env.insert(QStringLiteral("ORVELA_TEST_API_URL"), base);
        env.insert(QStringLiteral("ORVELA_TEST_LIMIT_MS"), QStringLiteral("1500"));
        env.remove(QStringLiteral("ORVELA_PKCS11_LIBRARY"));
        if (row.pcsc == Pcsc::stopped) {
            env.insert(QStringLiteral("PCSCLITE_CSOCK_NAME"),
                       s_work->filePath(QStringLiteral("no-pcscd.comm")));
        }
        if (!row.secretService) {
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + s_work->filePath(QStringLiteral("no-bus")));
        }
        QStringList wrapped{QStringLiteral("--modules"),
                            s_work->filePath(row.softHsmRegistered ? QStringLiteral("registered")
                                                                   : QStringLiteral("none"))};
        if (row.pcsc == Pcsc::noReader) {
            wrapped << QStringLiteral("--no-reader");
        }
        wrapped << QStringLiteral("--");
        QString out;
        if (row.viaCli) {
            out = run(env,
                      wrapped + QStringList{QStringLiteral(ORVELA_BINARY),
                                            QStringLiteral("diagnose"), QStringLiteral("--json")});
            out += kSeparator;
            out += run(env, wrapped + QStringList{QStringLiteral(ORVELA_BINARY),
                                                  QStringLiteral("diagnose")});
        } else {
            out = run(env, wrapped + QStringList{QCoreApplication::applicationFilePath(),
                                                 QStringLiteral("--row-child")});
        }
        return out;
    }

    QString run(const QProcessEnvironment& env, const QStringList& args)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(DIAG_ENV_SCRIPT), args);
        EXPECT_TRUE(
            testing::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000));
        m_stderr += QString::fromUtf8(process.readAllStandardError());
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    static inline QTemporaryDir* s_work = nullptr;
    static inline apitest::TestPki* s_pki = nullptr;
    QTemporaryDir m_home;
    BackendSim m_sim;
    QString m_stderr;
};

TEST_P(DiagnosticsReport, SaysWhatIsWrongAndKeepsSecretsOut)
{
    const Row& row = GetParam();
    const QString out = runRow(row);
    const qsizetype split = out.indexOf(kSeparator);
    ASSERT_GT(split, 0) << out.toStdString() << m_stderr.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(out.left(split).toUtf8()).object();
    const QJsonArray checks = report.value(QStringLiteral("checks")).toArray();
    ASSERT_EQ(checks.size(), 10) << out.toStdString();

    std::map<QString, QJsonObject> byId;
    for (const QJsonValue& value : checks) {
        byId[value[QStringLiteral("id")].toString()] = value.toObject();
        EXPECT_NE(value[QStringLiteral("verdict")].toString(), "pending");
    }
    for (const auto& [id, verdict] : row.verdicts) {
        EXPECT_EQ(byId[id][QStringLiteral("verdict")].toString(), verdict)
            << id.toStdString() << ":\n"
            << out.toStdString();
        if (verdict != u"fine") {
            EXPECT_FALSE(byId[id][QStringLiteral("advice")].toString().isEmpty())
                << id.toStdString();
        }
    }
    for (const auto& [id, check] : byId) {
        EXPECT_EQ(check[QStringLiteral("timedOut")].toBool(), row.timedOut.contains(id))
            << id.toStdString();
    }
    for (const QString& text : row.shown) {
        EXPECT_TRUE(out.contains(text)) << text.toStdString() << " missing:\n" << out.toStdString();
    }
    for (const QString& secret : {kRegister, kFullName, kDocument, kCivilId, kUserPin, kSoPin}) {
        EXPECT_FALSE(out.contains(secret)) << secret.toStdString() << " leaked";
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, DiagnosticsReport, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) {
                             return "row" + std::to_string(row.index);
                         });

/// The child a row runs: the report as the desktop gathers it, with the row's trust anchors and
/// pins, printed as JSON and as text.
int runRowChild()
{
    if (!common::applyAppIdentity()) {
        return 3;
    }
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    api::APIClientOptions options;
    options.fixedBaseUrl = env.value(QStringLiteral("ORVELA_TEST_API_URL"));
    if (env.contains(QStringLiteral("ORVELA_TEST_CA"))) {
        options.caCertificates =
            QSslCertificate::fromPath(env.value(QStringLiteral("ORVELA_TEST_CA")));
    }
    options.extraPins = env.value(QStringLiteral("ORVELA_TEST_PINS")).split(u',');
    api::APIClient client(options);

    diagnostics::DiagnosticsEnvironment environment;
    environment.version = QStringLiteral("test");
    environment.api = &client;
    environment.settingsPath = common::defaultSettingsPath();
    environment.keychainService = QString::fromLatin1(platform::KeychainManager::defaultService);
    environment.limitMs = env.value(QStringLiteral("ORVELA_TEST_LIMIT_MS")).toInt();
    diagnostics::DiagnosticsRunner runner(environment);
    QEventLoop loop;
    QObject::connect(&runner, &diagnostics::DiagnosticsRunner::finished, &loop, &QEventLoop::quit);
    runner.start();
    loop.exec();
    QTextStream out(stdout);
    out << QJsonDocument(diagnostics::reportJson(runner.checks(), common::AppLanguage::en)).toJson()
        << kSeparator << diagnostics::reportText(runner.checks(), common::AppLanguage::mn);
    out.flush();
    return 0;
}

} // namespace orvela::diagtest
