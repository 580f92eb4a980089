#pragma once

#include "common/l10n/StringRows.h"

namespace orvela::common::l10n {

/// The signing page's texts and failures, and those of a PDF signature report (verdicts,
/// reasons, what changed, trust, its labels), looked up with the extra table. A "%1" is filled
/// in with a list, a name or a value.
std::span<const StringRow> signingStringRows();

} // namespace orvela::common::l10n
