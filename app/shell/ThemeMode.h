#pragma once

#include <QString>

namespace orvela::shell {

/// The appearance stored under "ui.theme".
enum class ThemeMode { system, light, dark };

/// "light" and "dark" name their modes; anything else, absent included, is `system`.
ThemeMode themeModeFromRaw(const QString& raw);

/// The text stored for `mode`.
QString rawValue(ThemeMode mode);

} // namespace orvela::shell
