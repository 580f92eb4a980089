#pragma once

#include "../CallSite.h"
#include <string_view>
#include <winscard.h>

namespace orvela::tokenkit::pcsc {

/// How a failure reads depends on the step: while opening a card, a missing reader or card is
/// "no card"; inside a session the same code means the card went away and stays a PcscError.
enum class Step { opening, inSession };

/// The one gate every SCard* result passes through. Success returns; an unavailable card
/// service throws TokenError::readerNotConnected, a missing card while opening throws
/// TokenError::cardNotFound, anything else throws PcscError. Failures are logged with the
/// call site.
void check(LONG rv, std::string_view call, Step step = Step::inSession,
           CallSite where = CallSite::current());

/// True for the codes that mean the PC/SC service is not there (or went away).
bool isServiceUnavailable(LONG rv) noexcept;

} // namespace orvela::tokenkit::pcsc
