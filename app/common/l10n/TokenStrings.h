#pragma once

#include "common/l10n/StringRows.h"

namespace orvela::common::l10n {

/// The token detail screen's own texts (provisioning, diagnostics, erase, the PIN sections'
/// results, the certificate request and the sign test), looked up with the extra table. A
/// "%1" is filled in with a count or a lower layer's message.
std::span<const StringRow> tokenStringRows();

} // namespace orvela::common::l10n
