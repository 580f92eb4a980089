// A protected reply from a card, possibly hostile, opened on an established channel.
#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/SecureMessaging.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TransportKey.h"

#include <cstdlib>

using namespace orvela::tokenkit;
using orvela::sim::VirtualToken;

namespace {

SecureMessaging openedOn(VirtualToken::Mode mode)
{
    VirtualToken token(test::tokenOptions(mode));
    return orvela::sim::test::HostChannel(token, defaultTransportKey()).sm();
}

SecureMessaging& channel(bool aes)
{
    static SecureMessaging aesChannel = openedOn(VirtualToken::Mode::aes);
    static SecureMessaging desChannel = openedOn(VirtualToken::Mode::des);
    return aes ? aesChannel : desChannel;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte picks the cipher family, the rest is the reply.
    const ByteView reply(data + 1, size - 1);
    try {
        const auto opened = channel(data[0] & 1).unwrapResponse(reply);
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
