#pragma once

#include "orvela/tokenkit/APDUCommand.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/SmartCard.h"

#include <string_view>

namespace orvela::tokenkit {

/// Sends one command to a card that is inside an open session. Stateless. Platform errors
/// pass through unchanged; a 61xx or 6Cxx status is returned like any other.
namespace APDUTransceiver {

APDUResponse transmit(const APDUCommand& command, SmartCard& card);

/// Sends hex text as it stands, without checking its APDU structure; empty or malformed hex
/// throws TokenError::invalidAPDU.
APDUResponse transmit(std::string_view hex, SmartCard& card);

} // namespace APDUTransceiver

} // namespace orvela::tokenkit
