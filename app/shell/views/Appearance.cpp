#include "shell/views/Appearance.h"

#include "common/SettingsKeys.h"
#include "shell/SettingsController.h"
#include "shell/views/AppearanceStyle.h"

#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QWidget>

namespace orvela::shell::views {

namespace {

struct PlatformLook {
    QString styleName;
    QPalette palette;
};

// Style sheets resolve "palette(...)" when a widget is polished, and a new application palette
// does not polish again: a widget built under the old theme would keep its old colours.
void repolishStyledWidgets()
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (!widget->styleSheet().isEmpty()) {
            widget->style()->unpolish(widget);
            widget->style()->polish(widget);
            widget->update();
        }
    }
}

// What the platform chose before any theme was applied, so "system" can return to it.
const PlatformLook& platformLook()
{
    static const PlatformLook look{QApplication::style()->name(), QApplication::palette()};
    return look;
}

// One row per colour role: its colour in the light and in the dark theme. Every role is set, so
// nothing falls back to a colour Qt chose for another palette (its placeholder colour read at
// 3.3:1 on the light window). Text roles reach 4.5:1 on what they are drawn over, windows and
// cards alike; Dark is the outline of controls and reaches 3:1.
struct RoleColours {
    QPalette::ColorRole role;
    QRgb light;
    QRgb dark;
};

constexpr RoleColours roleColours[] = {
    {QPalette::Window, 0xF5F6F8, 0x1E2128},
    {QPalette::WindowText, 0x1A1D23, 0xE6E8EC},
    {QPalette::Base, 0xFFFFFF, 0x16181D},
    {QPalette::AlternateBase, 0xEEF1F6, 0x23262E},
    {QPalette::ToolTipBase, 0xFFFFFF, 0x2A2E37},
    {QPalette::ToolTipText, 0x1A1D23, 0xE6E8EC},
    // Secondary text takes this role too, so it is read, not skipped.
    {QPalette::PlaceholderText, 0x5A6472, 0x9AA1AB},
    {QPalette::Text, 0x1A1D23, 0xE6E8EC},
    {QPalette::Button, 0xF0F2F5, 0x2A2E37},
    {QPalette::ButtonText, 0x1A1D23, 0xE6E8EC},
    {QPalette::BrightText, 0xFFFFFF, 0xFFFFFF},
    {QPalette::Light, 0xFFFFFF, 0x3A3F4A},
    {QPalette::Midlight, 0xE4E7EC, 0x33373F},
    {QPalette::Mid, 0xB4BAC4, 0x5A606C},
    {QPalette::Dark, 0x767E8A, 0x808894},
    {QPalette::Shadow, 0x1A1D23, 0x000000},
    {QPalette::Highlight, 0x1A3A8F, 0x818CF8},
    {QPalette::HighlightedText, 0xFFFFFF, 0x091540},
    {QPalette::Link, 0x1A3A8F, 0x93C5FD},
    {QPalette::LinkVisited, 0x5B2A86, 0xC4B5FD},
};

// Disabled controls are exempt from the contrast rules but must still look disabled.
constexpr RoleColours disabledColours[] = {
    {QPalette::WindowText, 0x8A919C, 0x7A808A}, {QPalette::Text, 0x8A919C, 0x7A808A},
    {QPalette::ButtonText, 0x8A919C, 0x7A808A}, {QPalette::PlaceholderText, 0x8A919C, 0x7A808A},
    {QPalette::Base, 0xF0F2F5, 0x1E2128},       {QPalette::Highlight, 0x8A919C, 0x4A505C},
};

} // namespace

QPalette Appearance::palette(ThemeMode mode)
{
    const bool dark = mode == ThemeMode::dark;
    QPalette result;
    for (const RoleColours& row : roleColours) {
        result.setColor(row.role, QColor::fromRgb(dark ? row.dark : row.light));
    }
    for (const RoleColours& row : disabledColours) {
        result.setColor(QPalette::Disabled, row.role, QColor::fromRgb(dark ? row.dark : row.light));
    }
    return result;
}

void Appearance::apply(ThemeMode mode)
{
    const PlatformLook& platform = platformLook();
    if (mode == ThemeMode::system) {
        QApplication::setStyle(platform.styleName);
        QApplication::setPalette(platform.palette);
    } else {
        QApplication::setStyle(new AppearanceStyle);
        QApplication::setPalette(palette(mode));
    }
    repolishStyledWidgets();
}

void Appearance::applyStored(const QSettings& store)
{
    apply(themeModeFromRaw(store.value(settings::uiTheme.toString()).toString()));
}

void Appearance::follow(SettingsController& settings)
{
    QObject::connect(&settings, &SettingsController::themeChanged, &settings,
                     [](ThemeMode mode) { apply(mode); });
}

} // namespace orvela::shell::views
