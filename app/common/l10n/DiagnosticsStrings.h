#pragma once

#include "common/l10n/StringRows.h"

namespace orvela::common::l10n {

/// The diagnostics report's texts (checks, verdicts, advice, the support page's section) and
/// the settings' choice of PKCS#11 module, looked up with the extra table.
std::span<const StringRow> diagnosticsStringRows();

} // namespace orvela::common::l10n
