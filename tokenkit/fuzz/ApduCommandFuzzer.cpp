// Hex text from outside (a script, a diagnostics field) parsed as a command APDU.
#include "orvela/tokenkit/APDUCommand.h"
#include "orvela/tokenkit/TokenError.h"

#include <cstdlib>
#include <string_view>

using namespace orvela::tokenkit;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const APDUCommand command = APDUCommand::fromHex(text);
        const Bytes wire = command.buildBuffer();
        const std::size_t payload = command.payload() ? command.payload()->size() : 0;
        const std::size_t expected =
            4 + (command.payload() ? 1 + payload : 0) + (command.le() != 0 ? 1 : 0);
        if (wire.size() != expected || payload != command.lc()) {
            std::abort();
        }
        (void)command.redactedDescription();
    } catch (const TokenError&) {
    }
    return 0;
}
