#pragma once

#include "shell/ThemeMode.h"

#include <QPalette>

class QSettings;

namespace orvela::shell {
class SettingsController;
}

namespace orvela::shell::views {

/// Applies the light, dark or system appearance to the whole application. Light and dark use
/// the Fusion style with visible outlines (AppearanceStyle) and the product's palettes; system
/// puts back the style and palette the platform gave at start.
class Appearance {
public:
    static void apply(ThemeMode mode);

    /// The product's palette of the light or dark theme, every role of every group set.
    static QPalette palette(ThemeMode mode);

    /// Applies the theme stored under "ui.theme". The composition root calls this once at
    /// start, so a chosen theme holds from the first window on.
    static void applyStored(const QSettings& store);

    /// Applies every theme change `settings` announces, at once.
    static void follow(SettingsController& settings);
};

} // namespace orvela::shell::views
