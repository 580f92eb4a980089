#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/TokenInfo.h"

#include <string>
#include <vector>

namespace orvela::tokens {

// The card reads of the token manager, each in a card session of its own on the kit's shared
// reader access. They block; the desktop calls them on the card worker.

/// Names of the readers the system sees; empty when none or no card service.
std::vector<std::string> readerNames();
/// The token's ATR, label, FIPS flag and whether its applet answered.
tokenkit::TokenInfo readTokenInfo(int readerIndex);
/// Selects the applet and asks the card for a challenge.
tokenkit::Bytes connectionChallenge(int readerIndex);
/// Selects the applet and has the card sign the 32-byte `hash` with ECDSA.
tokenkit::Bytes signWithCard(int readerIndex, tokenkit::ByteView hash);

} // namespace orvela::tokens
