#include "orvela/tokenkit/Bytes.h"

#include <openssl/crypto.h>

namespace orvela::tokenkit {

void secureWipe(void* data, std::size_t size) noexcept
{
    if (data != nullptr && size > 0) {
        OPENSSL_cleanse(data, size);
    }
}

namespace {

int hexValue(char c) noexcept
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isSkipped(char c) noexcept
{
    return c == ':' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

/// The UTF-8 length of the non-ASCII whitespace character `text` starts with, or 0. Hex pasted
/// from documents and web pages carries no-break, thin and ideographic spaces between bytes.
std::size_t wideSpaceLength(std::string_view text) noexcept
{
    // U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
    static constexpr std::string_view spaces[] = {
        "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81",
        "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86",
        "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8",
        "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80",
    };
    for (std::string_view space : spaces) {
        if (text.starts_with(space)) {
            return space.size();
        }
    }
    return 0;
}

} // namespace

Bytes hexToBytes(std::string_view text)
{
    Bytes out;
    out.reserve(text.size() / 2);
    int high = -1;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (isSkipped(c)) {
            continue;
        }
        if (const std::size_t wide = wideSpaceLength(text.substr(at)); wide > 0) {
            at += wide - 1;
            continue;
        }
        const int nibble = hexValue(c);
        if (nibble < 0) {
            return {};
        }
        if (high < 0) {
            high = nibble;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | nibble));
            high = -1;
        }
    }
    if (high >= 0) {
        return {};
    }
    return out;
}

std::string bytesToHex(ByteView bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

bool constantTimeEquals(ByteView a, ByteView b) noexcept
{
    if (a.size() != b.size()) {
        return false;
    }
    std::uint8_t diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<std::uint8_t>(a[i] ^ b[i]);
    }
    return diff == 0;
}

} // namespace orvela::tokenkit
