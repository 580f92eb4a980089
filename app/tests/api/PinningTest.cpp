// The pin check over real HTTPS to the simulator, with a PKI made for the test run.

#include "TestPki.h"
#include "TestSupport.h"
#include "api/Obfuscated.h"
#include "api/StartResponse.h"
#include "common/SettingsKeys.h"

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::LogCapture;
using orvela::apitest::TestPki;

namespace {

const QString pinning = QStringLiteral("mn.orvela.eid.desktop.Pinning");
const QString systemFailed = QStringLiteral("Pinning: system trust evaluation failed");
const QString noPin =
    QStringLiteral("Pinning: no pinned key in chain — refusing connection (possible MITM)");

class PinningTest : public ApiFixture {
protected:
    static void SetUpTestSuite()
    {
        orvela::apitest::app();
        s_pki = new TestPki();
    }
    static void TearDownTestSuite()
    {
        delete s_pki;
        s_pki = nullptr;
    }

    void SetUp() override
    {
        ApiFixture::SetUp();
        ASSERT_TRUE(s_pki->error().isEmpty()) << s_pki->error().toStdString();
    }

    /// Serves HTTPS with the named leaf.
    void serve(const QString& leaf)
    {
        m_sim = std::make_unique<backendsim::BackendSim>();
        m_sim->useTls(s_pki->chain(leaf), s_pki->leaf(leaf).key);
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
    }

    void setPinning(bool on) { m_settings->setValue(settings::securityTlsPinning.toString(), on); }

    std::unique_ptr<APIClient> clientPinning(const QStringList& pins)
    {
        APIClientOptions options;
        options.caCertificates = {s_pki->root()};
        options.extraPins = pins;
        return makeClient(options);
    }

    CallResult<StartResponse> start(APIClient& client)
    {
        return sendAndWait<StartResponse>(client, Endpoint::start());
    }

    static QString pinOf(const QString& leaf)
    {
        return TestPki::spkiPin(s_pki->leaf(leaf).certificate);
    }

    static TestPki* s_pki;
};

TestPki* PinningTest::s_pki = nullptr;

const QStringList allLeaves{"rsa2048", "rsa3072", "rsa4096", "p256", "p384", "p521"};

TEST_F(PinningTest, DigestIsTheSpkiHashForTheFourPinnableKeysAndAbsentOtherwise)
{
    for (const QString leaf : {"rsa2048", "rsa4096", "p256", "p384"}) {
        const auto digest = PinnedSessionDelegate::certificateDigest(s_pki->leaf(leaf).certificate);
        ASSERT_TRUE(digest.has_value()) << leaf.toStdString();
        EXPECT_EQ(*digest, pinOf(leaf)) << leaf.toStdString();
        EXPECT_EQ(digest->size(), 44);
    }
    EXPECT_EQ(PinnedSessionDelegate::certificateDigest(s_pki->intermediate()),
              TestPki::spkiPin(s_pki->intermediate()));
    EXPECT_FALSE(PinnedSessionDelegate::certificateDigest(s_pki->leaf("rsa3072").certificate));
    EXPECT_FALSE(PinnedSessionDelegate::certificateDigest(s_pki->leaf("p521").certificate));
    EXPECT_FALSE(PinnedSessionDelegate::certificateDigest(QSslCertificate()));
}

TEST_F(PinningTest, WithPinningOffEveryTrustedChainIsAcceptedSilently)
{
    LogCapture log;
    for (const QString& leaf : allLeaves) {
        serve(leaf);
        auto client = clientPinning({});
        const auto reply = start(*client);
        EXPECT_TRUE(reply.ok()) << leaf.toStdString() << ": "
                                << (reply.ok() ? "" : errorMessage(reply.error()).toStdString());
    }
    for (const auto& line : log.lines()) {
        EXPECT_NE(line.category, pinning) << line.text.toStdString();
    }
}

TEST_F(PinningTest, UntrustedChainsFailEvenWithPinningOff)
{
    serve("untrusted");
    auto client = clientPinning({});
    const auto reply = start(*client);
    ASSERT_NE(reply.transportError(), nullptr);
    EXPECT_EQ(reply.transportError()->code, QNetworkReply::SslHandshakeFailedError);
    EXPECT_TRUE(m_sim->requests().isEmpty());
}

TEST_F(PinningTest, APinnedLeafOrIntermediateIsAccepted)
{
    setPinning(true);
    for (const QString leaf : {"rsa2048", "rsa4096", "p256", "p384"}) {
        serve(leaf);
        auto client = clientPinning({pinOf(leaf)});
        EXPECT_TRUE(start(*client).ok()) << leaf.toStdString();
    }
    serve("p521");
    auto client = clientPinning({TestPki::spkiPin(s_pki->intermediate())});
    EXPECT_TRUE(start(*client).ok());
}

TEST_F(PinningTest, P521AndRsa3072NeverMatchEvenWhenTheirDigestIsPinned)
{
    setPinning(true);
    for (const QString leaf : {"p521", "rsa3072"}) {
        LogCapture log;
        serve(leaf);
        auto client = clientPinning({pinOf(leaf)});
        const auto reply = start(*client);
        ASSERT_NE(reply.transportError(), nullptr) << leaf.toStdString();
        EXPECT_EQ(reply.transportError()->code, QNetworkReply::OperationCanceledError);
        EXPECT_TRUE(m_sim->requests().isEmpty());
        EXPECT_EQ(log.count(pinning, noPin), 1);
    }
}

TEST_F(PinningTest, AnUnpinnedChainIsRefusedBeforeTheRequestLeaves)
{
    setPinning(true);
    serve("p256");
    LogCapture log;
    auto client = clientPinning({pinOf("p384"), QString()});
    const auto reply = start(*client);
    ASSERT_NE(reply.transportError(), nullptr);
    EXPECT_EQ(reply.transportError()->code, QNetworkReply::OperationCanceledError);
    EXPECT_TRUE(reply.transportError()->pinRefused);
    EXPECT_TRUE(m_sim->requests().isEmpty());
    EXPECT_EQ(log.count(pinning, noPin), 1);
    EXPECT_EQ(log.count(pinning, systemFailed), 0);

    std::optional<bool> healthy;
    client->healthCheck(&m_context, [&](bool h) { healthy = h; });
    ASSERT_TRUE(orvela::apitest::waitUntil([&] { return healthy.has_value(); }));
    EXPECT_FALSE(*healthy);
    EXPECT_TRUE(m_sim->requests().isEmpty());
}

TEST_F(PinningTest, AnUntrustedChainIsRefusedWithoutConsultingThePins)
{
    setPinning(true);
    serve("untrusted");
    LogCapture log;
    auto client = clientPinning({pinOf("untrusted")});
    const auto reply = start(*client);
    ASSERT_NE(reply.transportError(), nullptr);
    EXPECT_EQ(reply.transportError()->code, QNetworkReply::SslHandshakeFailedError);
    EXPECT_FALSE(reply.transportError()->pinRefused);
    EXPECT_TRUE(m_sim->requests().isEmpty());
    EXPECT_EQ(log.count(pinning, systemFailed), 1);
    EXPECT_EQ(log.count(pinning, noPin), 0);
}

TEST_F(PinningTest, SwitchingPinningOnCannotRideAConnectionOpenedBefore)
{
    serve("p256");
    auto client = clientPinning({pinOf("p384")});
    ASSERT_TRUE(start(*client).ok());
    setPinning(true);
    EXPECT_FALSE(start(*client).ok());
    EXPECT_EQ(m_sim->requests().size(), 1);

    // And back: switched off, the same client connects again, on a fresh connection.
    setPinning(false);
    EXPECT_TRUE(start(*client).ok());
    ASSERT_EQ(m_sim->requests().size(), 2);
    EXPECT_NE(m_sim->requests()[0].peerPort, m_sim->requests()[1].peerPort);
}

TEST_F(PinningTest, ConnectionsAreReusedWhileThePinningStateStands)
{
    setPinning(true);
    serve("p256");
    LogCapture log;
    auto client = clientPinning({pinOf("p256")});
    ASSERT_TRUE(start(*client).ok());
    ASSERT_TRUE(start(*client).ok());
    ASSERT_EQ(m_sim->requests().size(), 2);
    // Without this reuse the test above would prove nothing about stale connections.
    EXPECT_EQ(m_sim->requests()[0].peerPort, m_sim->requests()[1].peerPort);
}

TEST_F(PinningTest, ARedirectToAnUnpinnedServerIsRefusedToo)
{
    setPinning(true);
    backendsim::BackendSim other;
    other.useTls(s_pki->chain("p384"), s_pki->leaf("p384").key);
    ASSERT_NE(other.start(), 0);
    serve("p256");
    m_sim->addResponseHeader("Location", (other.baseUrl() + "/api/start").toLatin1());
    m_sim->injectResponse("/api/start", 307, "text/plain", {});
    auto client = clientPinning({pinOf("p256")});
    const auto reply = start(*client);
    EXPECT_FALSE(reply.ok());
    EXPECT_EQ(m_sim->requests().size(), 1);
    EXPECT_TRUE(other.requests().isEmpty());
}

TEST(PinSet, EmptyExtraPinsAreDroppedAndBuiltInsStartEmpty)
{
    const PinnedSessionDelegate delegate({"", "AAAA", "", "BBBB"}, [] { return true; });
    EXPECT_EQ(delegate.pinnedHashes(), (QSet<QString>{"AAAA", "BBBB"}));
    const PinnedSessionDelegate none({}, [] { return true; });
    EXPECT_TRUE(none.pinnedHashes().isEmpty());
    EXPECT_FALSE(none.acceptsVerifiedChain({}));
}

TEST(PinSet, ObfuscatedPinsRevealTheirTextAndDoNotHoldItInTheClear)
{
    constexpr auto masked = Obfuscated::mask("r1cWZ2mD1bFz0ZlnkVHmXSVfrQZBzKvE7m+tL0P9GJo=");
    const QByteArray stored(reinterpret_cast<const char*>(masked.data()),
                            static_cast<qsizetype>(masked.size()));
    EXPECT_FALSE(stored.contains("r1cWZ2mD"));
    EXPECT_EQ(Obfuscated(stored).reveal(), "r1cWZ2mD1bFz0ZlnkVHmXSVfrQZBzKvE7m+tL0P9GJo=");
}

} // namespace
