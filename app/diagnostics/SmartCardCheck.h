#pragma once

#include "diagnostics/Check.h"

#include <QStringList>

namespace orvela::tokenkit {
class ReaderBackend;
}

namespace orvela::diagnostics {

/// The smart-card service, its readers and the cards in them: each card's ATR and whether it
/// answers as a Tessel token (label, FIPS mode). Sends read-only commands only (the applet's
/// SELECT and the label read). Blocks; runs on the card worker. `serviceProgramDirs` is where
/// the service's program is looked for when it does not answer, to tell "not running" from
/// "not installed".
Check smartCardCheck(tokenkit::ReaderBackend& readers,
                     const QStringList& serviceProgramDirs = {QStringLiteral("/usr/sbin"),
                                                              QStringLiteral("/sbin"),
                                                              QStringLiteral("/usr/bin")});

} // namespace orvela::diagnostics
