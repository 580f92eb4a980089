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

// The driver reads the label with Le 0x28: a longer one would come back cut short.
constexpr std::size_t kMaxLabelLength = 0x28;

} // namespace

const char* VcardOptions::usage()
{
    return "Usage: orvela-vcard [--port N] [--mode des|aes|fips] [--state FILE] "
           "[--public-key-out FILE] [--label TEXT]\n"
           "Connects a virtual token to pcscd's vpcd reader driver on 127.0.0.1 (port 35963 is "
           "reader \"Virtual PCD 00 00\").\n";
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
        } else {
            error = "unknown option: " + name;
            return std::nullopt;
        }
    }
    return options;
}

} // namespace orvela::sim
