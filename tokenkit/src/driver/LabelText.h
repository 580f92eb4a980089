#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <optional>
#include <string>

namespace orvela::tokenkit::LabelText {

/// The label stored on the token: bytes up to the first 00 or FF, as UTF-8, trimmed of white
/// space. Nothing when the bytes are not UTF-8 or nothing is left.
std::optional<std::string> decode(ByteView stored);

/// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(ByteView bytes) noexcept;

} // namespace orvela::tokenkit::LabelText
