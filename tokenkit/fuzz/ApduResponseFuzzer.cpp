// Raw bytes from a card parsed as a response APDU.
#include "orvela/tokenkit/APDUResponse.h"

#include <cstdlib>

using namespace orvela::tokenkit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    APDUResponse response = APDUResponse::fromFullData(ByteView(data, size));
    const std::size_t length = response.data() ? response.data()->size() : 0;
    if (size >= 2 && length + 2 != size) {
        std::abort();
    }
    if (size >= 2 && (response.sw1() != data[size - 2] || response.sw2() != data[size - 1])) {
        std::abort();
    }
    (void)response.description();
    response.wipe();
    return 0;
}
