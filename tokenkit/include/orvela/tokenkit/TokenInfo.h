#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <string>

namespace orvela::tokenkit {

/// What the driver reads from a token without any PIN: its ATR, its label and whether the
/// PKI applet answered. The application keeps its own, richer TokenInfo.
struct TokenInfo {
    /// Shown when the token has no readable label.
    static constexpr const char* kDefaultLabel = "Tessel2003";

    Bytes atr;
    std::string label = kDefaultLabel;
    bool isFIPS = false;         ///< ATR byte 19 is 03
    bool appletSelected = false; ///< the applet SELECT was answered 9000

    std::string atrHex() const { return bytesToHex(atr); }

    /// A FIPS token marks itself with 03 at ATR byte 19.
    static bool atrIsFIPS(ByteView atr) { return atr.size() >= 20 && atr[19] == 0x03; }
};

} // namespace orvela::tokenkit
