// Host-side cost of one protected command: wrapping it and opening the card's reply.
#include "CardSideChannel.h"
#include "orvela/tokenkit/SecureMessaging.h"

#include <benchmark/benchmark.h>

using namespace orvela::tokenkit;
using orvela::testing::CardSideChannel;

namespace {

struct Command {
    std::uint8_t ins;
    std::size_t dataLength;
};

// VERIFY carries a 16-byte PIN block. UPDATE BINARY carries the largest chunk a protected short
// APDU can hold (239 bytes; 240 would not fit).
constexpr Command kVerify{0x20, 16};
constexpr Command kUpdateBinary{0xD6, 239};

void wrapAndUnwrap(benchmark::State& state, CardSideChannel::Mode mode, Command command)
{
    const Bytes key = hexToBytes("404142434445464748494A4B4C4D4E4F");
    CardSideChannel card(mode, key, key);
    SecureMessaging sm;
    sm.mutualAuth(card, key, key);
    const Bytes data(command.dataLength, 0x5A);
    const Bytes reply = card.transmitRaw(sm.wrapAPDU(0x00, command.ins, 0, 0, data, std::nullopt));

    for (auto _ : state) {
        Bytes wrapped = sm.wrapAPDU(0x00, command.ins, 0x00, 0x00, data, std::nullopt);
        benchmark::DoNotOptimize(wrapped.data());
        auto opened = sm.unwrapResponse(reply);
        benchmark::DoNotOptimize(opened.sw1);
    }
}

} // namespace

BENCHMARK_CAPTURE(wrapAndUnwrap, AES_VERIFY_16B, CardSideChannel::Mode::aes, kVerify);
BENCHMARK_CAPTURE(wrapAndUnwrap, AES_UPDATE_BINARY_239B, CardSideChannel::Mode::aes,
                  kUpdateBinary);
BENCHMARK_CAPTURE(wrapAndUnwrap, TDES_VERIFY_16B, CardSideChannel::Mode::des, kVerify);
BENCHMARK_CAPTURE(wrapAndUnwrap, TDES_UPDATE_BINARY_239B, CardSideChannel::Mode::des,
                  kUpdateBinary);

BENCHMARK_MAIN();
