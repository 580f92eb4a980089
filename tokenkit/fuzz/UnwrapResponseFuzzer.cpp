// A protected reply from a card, possibly hostile, opened on an established channel.
#include "CardSideChannel.h"
#include "orvela/tokenkit/SecureMessaging.h"
#include "orvela/tokenkit/TokenError.h"

#include <cstdlib>

using namespace orvela::tokenkit;
using orvela::testing::CardSideChannel;

namespace {

SecureMessaging& channel(CardSideChannel::Mode mode)
{
    static const Bytes key = hexToBytes("404142434445464748494A4B4C4D4E4F");
    static CardSideChannel aesCard(CardSideChannel::Mode::aes, key, key);
    static CardSideChannel desCard(CardSideChannel::Mode::des, key, key);
    static SecureMessaging aes = [] {
        SecureMessaging sm;
        sm.mutualAuth(aesCard, key, key);
        return sm;
    }();
    static SecureMessaging des = [] {
        SecureMessaging sm;
        sm.mutualAuth(desCard, key, key);
        return sm;
    }();
    return mode == CardSideChannel::Mode::aes ? aes : des;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte picks the cipher family, the rest is the reply.
    const auto mode = data[0] & 1 ? CardSideChannel::Mode::aes : CardSideChannel::Mode::des;
    const ByteView reply(data + 1, size - 1);
    try {
        const auto opened = channel(mode).unwrapResponse(reply);
        if (reply.size() < 2 || opened.data.size() > reply.size()) {
            std::abort();
        }
    } catch (const TokenError& e) {
        if (e.code() != TokenError::Code::secureMessagingFailed) {
            std::abort();
        }
    }
    return 0;
}
