#pragma once

#include "orvela/sim/VirtualToken.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvela::sim {

/// The command line of orvela-vcard.
struct VcardOptions {
    std::uint16_t port = 35963;
    VirtualToken::Mode mode = VirtualToken::Mode::aes;
    std::string stateFile;
    std::string publicKeyOut;
    /// What the token answers as its label; a test run names its own card with it.
    std::optional<std::string> label;
    /// Development switches for tests of a misbehaving card: the instruction byte of commands
    /// the card never answers, and the reply (with its status word) it gives instead of its
    /// own to commands of another instruction.
    std::optional<std::uint8_t> stallOn;
    std::optional<std::pair<std::uint8_t, Bytes>> replyOn;

    /// Parses the arguments after the program name; nullopt with `error` set when they are
    /// wrong, nullopt with `error` empty for --help.
    static std::optional<VcardOptions> parse(const std::vector<std::string>& args,
                                             std::string& error);
    static const char* usage();
};

} // namespace orvela::sim
