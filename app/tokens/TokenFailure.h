#pragma once

#include "orvela/tokenkit/TokenError.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace orvela::tokenkit {
class CardReaders;
}

namespace orvela::tokens {

/// What went wrong with token work, as far as a person can act on it. Each kind has a message
/// and an advice of its own; cardRefused is worded by the kit's code, and the kinds that do not
/// explain themselves show their step, code and detail after the message.
enum class TokenFailureKind {
    serviceNotRunning, ///< the PC/SC service (pcscd) does not answer
    noReader,          ///< the service runs, the reader asked for is not there
    noCard,            ///< the reader holds no card (or the token is not plugged in)
    cardRemoved,       ///< the card went away in the middle of the work
    wrongPin,          ///< retriesLeft has the tries left when the token told them
    pinBlocked,
    emptyPin,       ///< refused before any token saw it
    noKey,          ///< the token holds no key to work with
    noObject,       ///< the token holds no object of the ID and kind asked for
    libraryMissing, ///< the PKCS#11 library could not be loaded
    noTokenInSlot,  ///< the PKCS#11 library sees no usable token
    libraryRefused, ///< the PKCS#11 library answered any other return code
    cardRefused,    ///< any other card-level failure: cardCode says which
    requestFailed,  ///< the certificate request could not be built
    other,          ///< an error of no token layer; detail holds its text
};

/// The number a lower layer answered with, and whose number it is.
struct TokenReturnCode {
    enum class Space { cryptoki, pcsc, cardStatus };
    Space space;
    std::uint32_t value;
    bool operator==(const TokenReturnCode&) const = default;
};

/// A failure of token work as a value with no words in it: the worker hands it back, and the
/// screen or the command words it (TokenFailureText.h) in the language of the moment.
struct TokenFailure {
    TokenFailureKind kind = TokenFailureKind::other;
    /// The kit's own code of a cardRefused failure (and of most card-road failures).
    std::optional<tokenkit::TokenError::Code> cardCode;
    /// The call or operation that failed ("C_Login", "SCardTransmit"); empty when none.
    std::string step;
    std::optional<TokenReturnCode> returnCode;
    /// Tries left of a wrong PIN, when the token told them (the card road does).
    std::optional<int> retriesLeft;
    /// The card or its reader was gone: the screens stop showing it as present.
    bool cardGone = false;
    /// Words of a lower layer or of the system that the person may need: a library path and
    /// the loader's reason, a signer's or a card's text, an unknown error's what().
    std::string detail;

    bool operator==(const TokenFailure&) const = default;
};

/// The failure of any error of the token layers (TokenError, P11Error, CSRError, PcscError),
/// or `other` with its what(). TokenError::readerNotConnected is told apart by asking
/// `readers` whether the PC/SC service answers (a round trip: call it off the interface
/// thread, as captureOutcome does).
TokenFailure failureOf(const std::exception& error, const tokenkit::CardReaders& readers);

/// failureOf for work that reaches no card reader (the PKCS#11 road, checks of input): with no
/// card service to ask, TokenError::readerNotConnected is noReader.
TokenFailure failureOf(const std::exception& error);

/// A failure of `kind` with nothing else to say.
TokenFailure failureOfKind(TokenFailureKind kind);

/// True when the PC/SC service behind `readers` answers a reader listing (with or without
/// readers). Blocks for one round trip to the service; never call it on the interface thread.
bool cardServiceRunning(const tokenkit::CardReaders& readers);

} // namespace orvela::tokens
