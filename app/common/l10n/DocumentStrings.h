#pragma once

#include "common/l10n/StringRows.h"

namespace orvela::common::l10n {

/// The texts of a PDF's first-page preview and of a signed PDF's check on the verification page,
/// looked up with the extra table. A "%1" is filled in with a number.
std::span<const StringRow> documentStringRows();

} // namespace orvela::common::l10n
