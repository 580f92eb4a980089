// The pin check over real HTTPS to the simulator, with a PKI made for the test run.

#include "TestPki.h"
#include "TestSupport.h"
#include "api/Obfuscated.h"
#include "api/StartResponse.h"
#include "common/SettingsKeys.h"

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::TestPki;

namespace {

class PinningTest : public ApiFixture {
protected:
    // Made once per process: RSA 4096 among its keys takes its time.
    static const TestPki& pki()
    {
        static const TestPki made;
        return made;
    }

    /// Serves HTTPS with the named leaf.
    void serve(const QString& leaf)
    {
        m_sim = std::make_unique<backendsim::BackendSim>();
        m_sim->useTls(pki().chain(leaf), pki().leaf(leaf).key);
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
    }

    void setPinning(bool on) { m_settings->setValue(settings::securityTlsPinning.toString(), on); }

    std::unique_ptr<APIClient> clientPinning(const QStringList& pins)
    {
        APIClientOptions options;
        options.caCertificates = {pki().root()};
        options.extraPins = pins;
        return makeClient(options);
    }

    static QString pinOf(const QString& leaf)
    {
        return TestPki::spkiPin(pki().leaf(leaf).certificate);
    }
};

TEST_F(PinningTest, ATrustedChainPassesOnlyWithAPinnableKeyPinnedWhenPinningIsOn)
{
    enum class Outcome { ok, pinRefused, untrusted };
    const QString intermediate = TestPki::spkiPin(pki().intermediate());
    const struct {
        bool pinning;
        const char* leaf;
        QStringList pins;
        Outcome expected;
    } cases[] = {
        {false, "rsa2048", {}, Outcome::ok},
        {false, "rsa3072", {}, Outcome::ok},
        {false, "p521", {}, Outcome::ok},
        {false, "untrusted", {}, Outcome::untrusted},
        {true, "rsa2048", {pinOf("rsa2048")}, Outcome::ok},
        {true, "rsa4096", {pinOf("rsa4096")}, Outcome::ok},
        {true, "p256", {pinOf("p256")}, Outcome::ok},
        {true, "p384", {pinOf("p384")}, Outcome::ok},
        {true, "p521", {intermediate}, Outcome::ok},
        // These keys are never hashed, so even their own digest does not match.
        {true, "p521", {pinOf("p521")}, Outcome::pinRefused},
        {true, "rsa3072", {pinOf("rsa3072")}, Outcome::pinRefused},
        {true, "p256", {pinOf("p384"), QString()}, Outcome::pinRefused},
        // An untrusted chain fails before the pins are consulted.
        {true, "untrusted", {pinOf("untrusted")}, Outcome::untrusted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(c.leaf).arg(c.pinning).toStdString());
        setPinning(c.pinning);
        serve(c.leaf);
        auto client = clientPinning(c.pins);
        const auto reply = sendAndWait<StartResponse>(*client, Endpoint::start());
        EXPECT_EQ(reply.ok(), c.expected == Outcome::ok);
        // The signed copy comes on a connection of its own, under the same decision; the
        // simulator refuses its empty form, which shows that the request got through.
        const auto copy = uploadAndWait(*client, {}, "a.pdf", "%PDF-1.7\n");
        EXPECT_EQ(copy.apiError() != nullptr, c.expected == Outcome::ok);
        EXPECT_EQ(m_sim->requests().size(), c.expected == Outcome::ok ? 2 : 0);
        for (const TransportError* error : {reply.transportError(), copy.transportError()}) {
            EXPECT_EQ(error == nullptr, c.expected == Outcome::ok);
            if (error != nullptr) {
                EXPECT_EQ(error->pinRefused, c.expected == Outcome::pinRefused);
                EXPECT_EQ(error->code, c.expected == Outcome::pinRefused
                                           ? QNetworkReply::OperationCanceledError
                                           : QNetworkReply::SslHandshakeFailedError);
            }
        }
        if (c.expected == Outcome::pinRefused) {
            EXPECT_FALSE(healthAndWait(*client));
            EXPECT_TRUE(m_sim->requests().isEmpty());
        }
    }
}

TEST_F(PinningTest, SwitchingPinningOnCannotRideAConnectionOpenedBefore)
{
    serve("p256");
    auto client = clientPinning({pinOf("p384")});
    ASSERT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    ASSERT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    // Without this reuse the refusal below would prove nothing about stale connections.
    ASSERT_EQ(m_sim->requests()[0].peerPort, m_sim->requests()[1].peerPort);
    setPinning(true);
    EXPECT_FALSE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    EXPECT_EQ(m_sim->requests().size(), 2);

    // And back: switched off, the same client connects again, on a fresh connection.
    setPinning(false);
    EXPECT_TRUE(sendAndWait<StartResponse>(*client, Endpoint::start()).ok());
    ASSERT_EQ(m_sim->requests().size(), 3);
    EXPECT_NE(m_sim->requests()[0].peerPort, m_sim->requests()[2].peerPort);
}

TEST(PinSet, NoChainAtAllIsRefused)
{
    EXPECT_FALSE(PinnedSessionDelegate({}, [] { return true; }).acceptsVerifiedChain({}));
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
