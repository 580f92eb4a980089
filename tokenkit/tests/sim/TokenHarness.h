#pragma once

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/SecureMessaging.h"
#include "orvela/tokenkit/TransportKey.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvela::sim::test {

using tokenkit::Bytes;
using tokenkit::ByteView;
using tokenkit::SecureMessaging;

/// A response split into data and status word.
struct Reply {
    Bytes data;
    std::uint16_t sw = 0;
};

Reply split(ByteView raw);

/// Sends a plain command written in hex.
Reply send(VirtualToken& token, std::string_view hex);

/// A host-side secure channel to the token, opened with the kit's own SecureMessaging.
class HostChannel {
public:
    /// Opens the channel; throws TokenError when the token refuses it.
    HostChannel(VirtualToken& token, ByteView key);

    /// Sends one command protected and returns the opened answer.
    Reply call(std::uint8_t cla, std::uint8_t ins, std::uint16_t p1p2,
               const std::optional<Bytes>& data, std::optional<std::uint8_t> le = std::nullopt);

    /// The token's raw answer to bytes already wrapped.
    Bytes callRaw(ByteView wrapped) { return m_token.process(wrapped); }

    SecureMessaging& sm() { return m_sm; }

private:
    VirtualToken& m_token;
    SecureMessaging m_sm;
};

/// Provisions the token the application's way (user PIN 123456, PUK 87654321), and with
/// `withKey` also makes key 1; each in a card session of its own.
void provision(VirtualToken& token, bool withKey = false);

/// The kit's default transport key.
inline Bytes defaultKey()
{
    return tokenkit::defaultTransportKey();
}

/// The 16-byte VERIFY block: the PIN padded with 00.
Bytes pinBlock(std::string_view pin);

} // namespace orvela::sim::test
