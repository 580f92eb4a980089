#pragma once

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/CardTransmitter.h"
#include "orvela/tokenkit/SecureMessaging.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvela::sim::test {

using tokenkit::Bytes;
using tokenkit::ByteView;
using tokenkit::SecureMessaging;

/// The token seen through the kit's transmitter interface, as the host's channel code uses it.
class TokenTransmitter final : public tokenkit::CardTransmitter {
public:
    explicit TokenTransmitter(VirtualToken& token) : m_token(token) {}
    Bytes transmitRaw(ByteView command) override { return m_token.process(command); }

private:
    VirtualToken& m_token;
};

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

    /// Sends one protected command and returns the opened answer.
    Reply call(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1, std::uint8_t p2,
               const std::optional<Bytes>& data = std::nullopt,
               std::optional<std::uint8_t> le = std::nullopt);

    /// Wraps a command without sending it and returns the raw answer to the wrapped bytes.
    Bytes callRaw(ByteView wrapped);

    SecureMessaging& sm() { return m_sm; }

private:
    VirtualToken& m_token;
    SecureMessaging m_sm;
};

/// The MAC an AES card should put in DO8E over the answer's DO87 and DO99: AES-MAC under the
/// session MAC key, chained on the host's value after the command. Computed here on its own.
Bytes answerMac(const SecureMessaging& sm, ByteView objects);

/// AES-MAC (first half of the last CBC block) of the data padded with 80 00...
Bytes aesMac(ByteView key, ByteView iv, ByteView data);

/// A protected AES command built by hand from its 4-byte header (class with 0C set) and data
/// objects, with a correct MAC for the host's next counter value. Lets tests send objects the
/// host would never build. Does not advance the host's channel.
Bytes handWrapped(const SecureMessaging& sm, ByteView header, ByteView objects);

/// The kit's default key as the tests use it.
Bytes defaultKey();

/// The FCP of an EF or DF, built the way the host builds it.
Bytes efFcp(std::uint16_t fid, std::uint16_t size, std::uint8_t type);
Bytes dfFcp(std::uint16_t fid, std::uint16_t size, ByteView aid);

/// A PIN's secret block: SHA-1 of the PIN, then its length as 32-bit little-endian.
Bytes secretBlock(std::string_view pin);
/// The 10-byte header plus key of INSTALL SECRET KEY.
Bytes installData(std::uint8_t type, std::uint8_t number, std::uint8_t accessA,
                  std::uint8_t accessB, int counter, ByteView key);
/// The 16-byte VERIFY block: the PIN padded with 00.
Bytes pinBlock(std::string_view pin);

/// Runs the provisioning sequence the application uses over an open channel: erase, both
/// transport keys, the PKCS#15 file system, SO PIN and user PIN. Returns the first status that
/// is not 9000, or 9000.
std::uint16_t provision(HostChannel& channel, ByteView transportKey, std::string_view pin,
                        std::string_view puk);

/// VERIFY with reference 2 then GENERATE KEY PAIR for the key id, over the channel.
std::uint16_t generateKey(HostChannel& channel, std::string_view pin, std::uint8_t keyId);

} // namespace orvela::sim::test
