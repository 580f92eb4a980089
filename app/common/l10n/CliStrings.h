#pragma once

#include "common/l10n/StringRows.h"

namespace orvela::common::l10n {

/// The command-line tool's texts: its help, usage errors and messages, in their fixed order.
std::span<const StringRow> cliStringRows();

} // namespace orvela::common::l10n
