#pragma once

namespace orvela::common {

/// Names the process as the product, so that the desktop application and the command-line tool
/// read and write the same settings file, and makes that file private to its owner. Call right
/// after creating the Qt application object.
void applyAppIdentity();

} // namespace orvela::common
