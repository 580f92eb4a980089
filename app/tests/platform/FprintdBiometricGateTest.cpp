// The fingerprint check against a stand-in fprintd served on a private session bus.

#include "platform/FprintdBiometricGate.h"

#include "QtPrinters.h"
#include "SessionTestSupport.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <gtest/gtest.h>
#include <memory>

using orvela::platform::BiometricGate;
using orvela::platform::FprintdBiometricGate;
using orvela::sessiontest::runEventLoopFor;
using orvela::sessiontest::waitUntil;
using Outcome = BiometricGate::Outcome;

namespace {

const QString devicePath = QStringLiteral("/net/reactivated/Fprint/Device/0");

/// fprintd's manager: one reader, or none.
class FakeManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.reactivated.Fprint.Manager")
public:
    bool hasReader = true;

public slots:
    QDBusObjectPath GetDefaultDevice()
    {
        if (!hasReader) {
            sendErrorReply(QStringLiteral("net.reactivated.Fprint.Error.NoSuchDevice"),
                           QStringLiteral("No devices available"));
        }
        return QDBusObjectPath(devicePath);
    }
};

/// fprintd's reader: records the calls and sends the statuses a test asks for.
class FakeDevice : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.reactivated.Fprint.Device")
public:
    bool enrolled = true;
    QStringList calls;

    void status(const QString& result, bool done) { emit VerifyStatus(result, done); }

public slots:
    void Claim(const QString& user) { calls << QStringLiteral("Claim(%1)").arg(user); }
    void Release() { calls << QStringLiteral("Release"); }
    void VerifyStart(const QString& finger)
    {
        calls << QStringLiteral("VerifyStart(%1)").arg(finger);
        if (!enrolled) {
            sendErrorReply(QStringLiteral("net.reactivated.Fprint.Error.NoEnrolledPrints"),
                           QStringLiteral("No fingerprints enrolled"));
        }
    }
    void VerifyStop() { calls << QStringLiteral("VerifyStop"); }

signals:
    void VerifyStatus(const QString& result, bool done);
};

class FprintdBiometricGateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        orvela::sessiontest::app();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
            << "needs a session bus: run through scripts/lib/with-keyring.sh";
        QObject::connect(&m_gate, &BiometricGate::promptChanged, &m_context,
                         [this](const QString& reason) { m_prompts << reason; });
    }

    void TearDown() override
    {
        if (m_served) {
            m_daemonBus.unregisterService(QStringLiteral("net.reactivated.Fprint"));
            QDBusConnection::disconnectFromBus(m_daemonBus.name());
        }
    }

    /// Serves the stand-in on its own connection, as a separate daemon would.
    void serve()
    {
        m_daemonBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                    QStringLiteral("fake-fprintd"));
        ASSERT_TRUE(m_daemonBus.registerObject(QStringLiteral("/net/reactivated/Fprint/Manager"),
                                               &m_manager, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_daemonBus.registerObject(devicePath, &m_device,
                                               QDBusConnection::ExportAllSlots |
                                                   QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(m_daemonBus.registerService(QStringLiteral("net.reactivated.Fprint")));
        m_served = true;
    }

    /// Starts a check; the outcome lands in `m_outcome`.
    void evaluate(QObject* context = nullptr)
    {
        m_outcome.reset();
        m_gate.evaluate(QStringLiteral("Орвела нэвтрэлтийг сэргээх"),
                        context != nullptr ? context : &m_context,
                        [this](Outcome outcome) { m_outcome = outcome; });
    }

    /// The daemon was asked to scan; the gate may not have heard its answer yet.
    bool scanRequested() const
    {
        return m_device.calls.contains(QStringLiteral("VerifyStart(any)"));
    }
    /// The scan runs and the gate knows it: its prompt is up.
    bool verifying() const { return scanRequested() && !m_gate.pendingReason().isEmpty(); }

    FakeManager m_manager;
    FakeDevice m_device;
    QDBusConnection m_daemonBus{QString()};
    bool m_served = false;
    FprintdBiometricGate m_gate{QDBusConnection::sessionBus()};
    QObject m_context;
    std::optional<Outcome> m_outcome;
    QStringList m_prompts;
};

TEST_F(FprintdBiometricGateTest, WithoutABusDaemonReaderOrFingerTheCheckCannotBeEvaluated)
{
    FprintdBiometricGate noBus(QDBusConnection(QStringLiteral("no-such-connection")));
    std::optional<Outcome> outcome;
    noBus.evaluate(QStringLiteral("x"), &m_context, [&](Outcome o) { outcome = o; });
    EXPECT_FALSE(outcome.has_value()); // never from inside the call
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(*outcome, Outcome::unavailable);

    // No daemon, then no reader, then no enrolled finger.
    for (int step = 0; step < 3; ++step) {
        if (step == 1) {
            serve();
        }
        m_manager.hasReader = step != 1;
        m_device.enrolled = step != 2;
        evaluate();
        ASSERT_TRUE(waitUntil([this] { return m_outcome.has_value(); })) << step;
        EXPECT_EQ(*m_outcome, Outcome::unavailable) << step;
        EXPECT_EQ(m_device.calls.isEmpty(), step < 2) << step;
    }
    // The reader is let go again, and nothing was ever waited for.
    ASSERT_TRUE(waitUntil([this] { return m_device.calls.contains(QStringLiteral("Release")); }));
    EXPECT_EQ(m_device.calls.first(), "Claim()");
    EXPECT_TRUE(m_prompts.isEmpty());
}

// A retry keeps waiting; a match passes, a no-match or a lost reader refuses, and either way
// the prompt goes and the scan is stopped and the reader let go.
TEST_F(FprintdBiometricGateTest, TheLastScanDecidesAndTheReaderIsReleased)
{
    serve();
    for (const auto& [status, expected] : {std::pair{"verify-match", Outcome::passed},
                                           std::pair{"verify-no-match", Outcome::refused},
                                           std::pair{"verify-disconnected", Outcome::refused}}) {
        SCOPED_TRACE(status);
        m_device.calls.clear();
        m_prompts.clear();
        evaluate();
        ASSERT_TRUE(waitUntil([this] { return verifying(); }));
        m_device.status(QStringLiteral("verify-retry-scan"), false);
        runEventLoopFor(100);
        EXPECT_FALSE(m_outcome.has_value());
        m_device.status(QString::fromLatin1(status), true);
        ASSERT_TRUE(waitUntil([this] { return m_outcome.has_value(); }));
        EXPECT_EQ(*m_outcome, expected);
        EXPECT_EQ(m_prompts, QStringList({"Орвела нэвтрэлтийг сэргээх", ""}));
        ASSERT_TRUE(waitUntil([this] { return m_device.calls.size() == 4; }));
        EXPECT_EQ(m_device.calls,
                  QStringList({"Claim()", "VerifyStart(any)", "VerifyStop", "Release"}));
    }
}

TEST_F(FprintdBiometricGateTest, AGoneContextHearsNothingAndTheReaderIsReleased)
{
    serve();
    auto context = std::make_unique<QObject>();
    evaluate(context.get());
    // Gone as soon as the scan was asked for, before or after the gate heard the answer: the
    // daemon may be scanning either way, so the scan is stopped as well as the reader released.
    ASSERT_TRUE(waitUntil([this] { return scanRequested(); }));
    context.reset(); // no finger ever comes
    ASSERT_TRUE(waitUntil([this] { return m_device.calls.contains(QStringLiteral("Release")); }));
    EXPECT_TRUE(m_device.calls.contains(QStringLiteral("VerifyStop")));
    m_device.status(QStringLiteral("verify-match"), true);
    runEventLoopFor(100);
    EXPECT_FALSE(m_outcome.has_value());
}

} // namespace

#include "FprintdBiometricGateTest.moc"
