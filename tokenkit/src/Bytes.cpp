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

} // namespace

Bytes hexToBytes(std::string_view text)
{
    Bytes out;
    out.reserve(text.size() / 2);
    int high = -1;
    for (char c : text) {
        if (isSkipped(c)) {
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
