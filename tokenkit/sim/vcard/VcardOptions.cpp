#include "VcardOptions.h"

#include <charconv>

namespace orvela::sim {

namespace {

std::optional<VirtualToken::Mode> parseMode(const std::string& text)
{
    if (text == "des") {
        return VirtualToken::Mode::des;
    }
    if (text == "aes") {
        return VirtualToken::Mode::aes;
    }
    if (text == "fips") {
        return VirtualToken::Mode::aesFips;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> parsePort(const std::string& text)
{
    unsigned value = 0;
    const auto end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    if (status != std::errc() || stop != end || value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<std::uint8_t> parseInstruction(const std::string& text)
{
    const Bytes bytes = tokenkit::hexToBytes(text);
    if (text.size() != 2 || bytes.size() != 1) {
        return std::nullopt;
    }
    return bytes[0];
}

/// INS:HEX, the reply at least a status word.
std::optional<std::pair<std::uint8_t, Bytes>> parseReply(const std::string& text)
{
    const auto colon = text.find(':');
    const auto instruction = parseInstruction(text.substr(0, colon));
    if (colon == std::string::npos || !instruction) {
        return std::nullopt;
    }
    Bytes reply = tokenkit::hexToBytes(text.substr(colon + 1));
    if (reply.size() < 2) {
        return std::nullopt;
    }
    return std::pair(*instruction, std::move(reply));
}

// The driver reads the label with Le 0x28: a longer one would come back cut short.
constexpr std::size_t kMaxLabelLength = 0x28;

} // namespace

const char* VcardOptions::usage()
{
    return "Usage: orvela-vcard [--port N] [--mode des|aes|fips] [--state FILE] "
           "[--public-key-out FILE] [--label TEXT] [--stall-on INS] [--reply-on INS:HEX]\n"
           "Connects a virtual token to pcscd's vpcd reader driver on 127.0.0.1 (port 35963 is "
           "reader \"Virtual PCD 00 00\").\n"
           "For tests only: --stall-on makes the card never answer commands with that "
           "instruction byte; --reply-on answers them with the given bytes instead.\n";
}

std::optional<VcardOptions> VcardOptions::parse(const std::vector<std::string>& args,
                                                std::string& error)
{
    VcardOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            error.clear();
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = "missing value for " + name;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (name == "--port") {
            const auto port = parsePort(value);
            if (!port) {
                error = "bad port: " + value;
                return std::nullopt;
            }
            options.port = *port;
        } else if (name == "--mode") {
            const auto mode = parseMode(value);
            if (!mode) {
                error = "bad mode: " + value + " (des, aes or fips)";
                return std::nullopt;
            }
            options.mode = *mode;
        } else if (name == "--state") {
            options.stateFile = value;
        } else if (name == "--public-key-out") {
            options.publicKeyOut = value;
        } else if (name == "--label") {
            if (value.size() > kMaxLabelLength) {
                error = "label longer than 40 bytes: " + value;
                return std::nullopt;
            }
            options.label = value;
        } else if (name == "--stall-on") {
            options.stallOn = parseInstruction(value);
            if (!options.stallOn) {
                error = "bad instruction byte: " + value;
                return std::nullopt;
            }
        } else if (name == "--reply-on") {
            options.replyOn = parseReply(value);
            if (!options.replyOn) {
                error = "bad reply (INS:HEX, with the status word): " + value;
                return std::nullopt;
            }
        } else {
            error = "unknown option: " + name;
            return std::nullopt;
        }
    }
    return options;
}

} // namespace orvela::sim
