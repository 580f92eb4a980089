#pragma once

#include "common/BuildInfo.h"

#include <QString>

namespace orvela::common {

/// Names the process as the product, so that the desktop application and the command-line tool
/// read and write the same settings file, and makes that file private to its owner. Needs no
/// application object, so a run that only answers --help or --version can use it too. False,
/// with the file untouched, when the settings file is no regular file: nothing may open it
/// then (see isUsableSettingsFile), and the caller says so with "Settings_File_NotRegular".
[[nodiscard]] bool applyAppIdentity();

/// What a program says when applyAppIdentity() refused the settings file, in both languages.
QString settingsFileRefusal();

} // namespace orvela::common
