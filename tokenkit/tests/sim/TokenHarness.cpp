#include "TokenHarness.h"

#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"
#include "orvela/tokenkit/TesselDriver.h"

namespace orvela::sim::test {

using tokenkit::toBytes;

namespace {

class TokenTransmitter final : public tokenkit::CardTransmitter {
public:
    explicit TokenTransmitter(VirtualToken& token) : m_token(token) {}
    Bytes transmitRaw(ByteView command) override { return m_token.process(command); }

private:
    VirtualToken& m_token;
};

} // namespace

Reply split(ByteView raw)
{
    if (raw.size() < 2) {
        return Reply{{}, 0x6F00};
    }
    return Reply{toBytes(raw.first(raw.size() - 2)),
                 static_cast<std::uint16_t>(raw[raw.size() - 2] << 8 | raw.back())};
}

Reply send(VirtualToken& token, std::string_view hex)
{
    return split(token.process(tokenkit::hexToBytes(hex)));
}

HostChannel::HostChannel(VirtualToken& token, ByteView key) : m_token(token)
{
    TokenTransmitter transmitter(token);
    m_sm.mutualAuth(transmitter, key, key);
}

Reply HostChannel::call(std::uint8_t cla, std::uint8_t ins, std::uint16_t p1p2,
                        const std::optional<Bytes>& data, std::optional<std::uint8_t> le)
{
    const Bytes wrapped = m_sm.wrapAPDU(cla, ins, static_cast<std::uint8_t>(p1p2 >> 8),
                                        static_cast<std::uint8_t>(p1p2), data, le);
    const auto opened = m_sm.unwrapResponse(callRaw(wrapped));
    return Reply{opened.data, static_cast<std::uint16_t>(opened.sw1 << 8 | opened.sw2)};
}

void provision(VirtualToken& token, bool withKey)
{
    tokenkit::TesselDriver driver;
    const Bytes key = defaultKey();
    {
        tokenkit::test::VirtualCard card(token);
        driver.establishSecureSession(key, key, card);
        driver.initializePIN(toBytes("123456"), toBytes("87654321"), card);
    }
    if (withKey) {
        tokenkit::test::VirtualCard card(token);
        driver.establishSecureSession(key, key, card);
        driver.verifyPIN(toBytes("123456"), tokenkit::TesselDriver::kUserPinReference, card);
        driver.generateECKeyPair(0x01, card);
    }
}

Bytes pinBlock(std::string_view pin)
{
    Bytes block = toBytes(pin);
    block.resize(16, 0x00);
    return block;
}

} // namespace orvela::sim::test
