#pragma once

#include <QString>

class QWidget;

namespace orvela::testing {

/// Saves a PNG of `widget`, shown and laid out first, as `<build>/screenshots/<name>.png`, so a
/// reviewer can look at each screen as the tests left it. Returns the path, or an empty text
/// when the file could not be written.
QString saveScreenshot(QWidget& widget, const QString& name);

} // namespace orvela::testing
