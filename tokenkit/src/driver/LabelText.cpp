#include "driver/LabelText.h"

#include <algorithm>

namespace orvela::tokenkit::LabelText {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isContinuation(std::uint8_t byte)
{
    return (byte & 0xC0) == 0x80;
}

/// Length of the sequence a lead byte opens and the smallest code point it may encode;
/// 0 for a byte that cannot lead.
std::size_t sequenceLength(std::uint8_t lead, std::uint32_t& minimum, std::uint32_t& value)
{
    if (lead < 0x80) {
        value = lead;
        minimum = 0;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        value = lead & 0x1Fu;
        minimum = 0x80;
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        value = lead & 0x0Fu;
        minimum = 0x800;
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        value = lead & 0x07u;
        minimum = 0x10000;
        return 4;
    }
    return 0;
}

} // namespace

bool isValidUtf8(ByteView bytes) noexcept
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint32_t minimum = 0;
        std::uint32_t value = 0;
        const std::size_t length = sequenceLength(bytes[i], minimum, value);
        if (length == 0 || i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if (!isContinuation(bytes[i + k])) {
                return false;
            }
            value = value << 6 | (bytes[i + k] & 0x3Fu);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::optional<std::string> decode(ByteView stored)
{
    const auto end = std::find_if(stored.begin(), stored.end(),
                                  [](std::uint8_t b) { return b == 0x00 || b == 0xFF; });
    const ByteView text = stored.first(static_cast<std::size_t>(end - stored.begin()));
    if (!isValidUtf8(text)) {
        return std::nullopt;
    }
    std::string label(text.begin(), text.end());
    const auto first = std::find_if_not(label.begin(), label.end(), isSpace);
    const auto last = std::find_if_not(label.rbegin(), label.rend(), isSpace).base();
    if (first >= last) {
        return std::nullopt;
    }
    return std::string(first, last);
}

} // namespace orvela::tokenkit::LabelText
