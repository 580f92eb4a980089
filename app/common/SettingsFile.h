#pragma once

#include <QString>

namespace orvela::common {

/// Makes the settings file at `path` readable and writable by its owner only: creates it empty
/// with that mode (and its folder) when missing, narrows the mode of one that is there. The
/// file holds the activity log, which names the documents signed. The settings library keeps
/// an existing file's mode when it rewrites it, so this holds for every later write. False
/// when the file could not be made or changed.
bool makeSettingsFilePrivate(const QString& path);

} // namespace orvela::common
