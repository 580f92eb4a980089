#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/SmartCard.h"
#include "orvela/tokenkit/TokenInfo.h"

#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace orvela::tokens {

// The card reads of the token manager, each in a card session of its own on the reader access
// the caller hands in. They block; the desktop calls them on the card worker.

/// Runs `work` in one card session on the reader, like the kit's withSession, except that a
/// card-service failure after which the reader no longer holds a card is
/// TokenError::cardNotFound: a card pulled mid-session fails the next command with one of
/// several codes (removed, reset, transaction failed, by how far the command had got), so the
/// reader is asked rather than the code read.
void runOnCard(tokenkit::CardReaders& readers, int readerIndex,
               const std::function<void(tokenkit::SmartCard&)>& work);

template <class Work> auto withCard(tokenkit::CardReaders& readers, int readerIndex, Work&& work)
{
    using Result = std::decay_t<std::invoke_result_t<Work&, tokenkit::SmartCard&>>;
    if constexpr (std::is_void_v<Result>) {
        runOnCard(readers, readerIndex,
                  [&](tokenkit::SmartCard& card) { std::invoke(work, card); });
    } else {
        std::optional<Result> result;
        runOnCard(readers, readerIndex,
                  [&](tokenkit::SmartCard& card) { result.emplace(std::invoke(work, card)); });
        return std::move(*result);
    }
}

/// Names of the readers the system sees; empty when none. Unlike the kit's getReaderNames,
/// which reads a stopped card service as "no readers", a service that does not answer raises
/// (TokenError::readerNotConnected, or the PcscError), so the screens can say the service is
/// down instead of asking for a token to be plugged in.
std::vector<std::string> readerNames(const tokenkit::CardReaders& readers);
/// The token's ATR, label, FIPS flag and whether its applet answered.
tokenkit::TokenInfo readTokenInfo(tokenkit::CardReaders& readers, int readerIndex);
/// Selects the applet and asks the card for a challenge.
tokenkit::Bytes connectionChallenge(tokenkit::CardReaders& readers, int readerIndex);
/// Selects the applet and has the card sign the 32-byte `hash` with ECDSA.
tokenkit::Bytes signWithCard(tokenkit::CardReaders& readers, int readerIndex,
                             tokenkit::ByteView hash);

} // namespace orvela::tokens
