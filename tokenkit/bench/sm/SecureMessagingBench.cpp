// Host-side cost of one protected command: wrapping it and opening the card's reply.
#include "VirtualCard.h"
#include "orvela/tokenkit/SecureMessaging.h"
#include "orvela/tokenkit/TransportKey.h"

#include <benchmark/benchmark.h>

using namespace orvela::tokenkit;
using orvela::sim::VirtualToken;

namespace {

struct Command {
    std::uint8_t ins;
    std::size_t dataLength;
};

// VERIFY carries a 16-byte PIN block. UPDATE BINARY carries the largest chunk a protected short
// APDU can hold (239 bytes; 240 would not fit).
constexpr Command kVerify{0x20, 16};
constexpr Command kUpdateBinary{0xD6, 239};

void wrapAndUnwrap(benchmark::State& state, VirtualToken::Mode mode, Command command)
{
    const Bytes key = defaultTransportKey();
    VirtualToken token(test::tokenOptions(mode));
    test::VirtualCard card(token);
    TKSmartCardTransmitter line(card);
    SecureMessaging sm;
    sm.mutualAuth(line, key, key);
    const Bytes data(command.dataLength, 0x5A);
    // A protected success answer, as every accepted command gets one.
    const Bytes reply = card.transmit(sm.wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("3F00"), {}));

    for (auto _ : state) {
        Bytes wrapped = sm.wrapAPDU(0x00, command.ins, 0x00, 0x00, data, std::nullopt);
        benchmark::DoNotOptimize(wrapped.data());
        auto opened = sm.unwrapResponse(reply);
        benchmark::DoNotOptimize(opened.sw1);
    }
}

} // namespace

BENCHMARK_CAPTURE(wrapAndUnwrap, AES_VERIFY_16B, VirtualToken::Mode::aes, kVerify);
BENCHMARK_CAPTURE(wrapAndUnwrap, AES_UPDATE_BINARY_239B, VirtualToken::Mode::aes, kUpdateBinary);
BENCHMARK_CAPTURE(wrapAndUnwrap, TDES_VERIFY_16B, VirtualToken::Mode::des, kVerify);
BENCHMARK_CAPTURE(wrapAndUnwrap, TDES_UPDATE_BINARY_239B, VirtualToken::Mode::des,
                  kUpdateBinary);

BENCHMARK_MAIN();
