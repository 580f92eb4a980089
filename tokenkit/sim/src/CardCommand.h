#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>
#include <optional>

namespace orvela::sim {

using tokenkit::Bytes;
using tokenkit::ByteView;

/// One command as the card sees it once any protection is removed.
struct CardCommand {
    std::uint8_t cla = 0;
    std::uint8_t ins = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;
    Bytes data;
    /// Expected length; 256 for an Le byte of 00; absent when the command carries no Le.
    std::optional<std::size_t> le;
    /// True when the command came over the secure channel with a valid MAC.
    bool secured = false;

    std::uint16_t offset() const noexcept { return static_cast<std::uint16_t>(p1 << 8 | p2); }

    /// Parses a short APDU; nullopt when its length fits none of the four cases. A lone fifth
    /// byte is taken as Le, so a command written with Lc 00 and no data reads as "no data".
    static std::optional<CardCommand> parse(ByteView apdu);
};

/// One answer: data and status word.
struct CardReply {
    Bytes data;
    std::uint16_t sw = 0x9000;

    static CardReply status(std::uint16_t sw) { return CardReply{{}, sw}; }
    static CardReply ok(Bytes data = {}) { return CardReply{std::move(data), 0x9000}; }
    bool isSuccess() const noexcept { return sw == 0x9000; }
    Bytes encode() const;
};

/// Status words the card answers with.
namespace sw {
inline constexpr std::uint16_t ok = 0x9000;
inline constexpr std::uint16_t wrongLength = 0x6700;
inline constexpr std::uint16_t smNotSupported = 0x6882;
inline constexpr std::uint16_t securityNotSatisfied = 0x6982;
inline constexpr std::uint16_t pinBlocked = 0x6983;
inline constexpr std::uint16_t conditionsNotSatisfied = 0x6985;
inline constexpr std::uint16_t noCurrentEF = 0x6986;
inline constexpr std::uint16_t smDataIncorrect = 0x6988;
inline constexpr std::uint16_t wrongData = 0x6A80;
inline constexpr std::uint16_t functionNotSupported = 0x6A81;
inline constexpr std::uint16_t fileNotFound = 0x6A82;
inline constexpr std::uint16_t notEnoughMemory = 0x6A84;
inline constexpr std::uint16_t wrongP1P2 = 0x6A86;
inline constexpr std::uint16_t referenceNotFound = 0x6A88;
inline constexpr std::uint16_t fileExists = 0x6A89;
inline constexpr std::uint16_t wrongOffset = 0x6B00;
inline constexpr std::uint16_t insNotSupported = 0x6D00;
inline constexpr std::uint16_t claNotSupported = 0x6E00;
inline constexpr std::uint16_t unknownError = 0x6F00;
} // namespace sw

} // namespace orvela::sim
