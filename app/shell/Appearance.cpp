#include "shell/Appearance.h"

#include "common/SettingsKeys.h"
#include "shell/SettingsController.h"

#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QWidget>

namespace orvela::shell {

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

QPalette lightPalette()
{
    // Called once Fusion is the application style, so this starts from Fusion's own colours.
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xF5, 0xF6, 0xF8));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xEE, 0xF1, 0xF6));
    palette.setColor(QPalette::Highlight, QColor(0x1A, 0x3A, 0x8F));
    palette.setColor(QPalette::Link, QColor(0x1A, 0x3A, 0x8F));
    return palette;
}

QPalette darkPalette()
{
    QPalette palette;
    const QColor window(0x1E, 0x21, 0x28);
    const QColor base(0x16, 0x18, 0x1D);
    const QColor text(0xE6, 0xE8, 0xEC);
    const QColor disabledText(0x7A, 0x80, 0x8A);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    // Placeholders are read, not skipped: they take 4.5:1 on the field, unlike disabled text.
    palette.setColor(QPalette::PlaceholderText, QColor(0x8C, 0x92, 0x9C));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x2A, 0x2E, 0x37));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, QColor(0x3A, 0x3F, 0x4A));
    palette.setColor(QPalette::Midlight, QColor(0x33, 0x37, 0x41));
    palette.setColor(QPalette::Mid, QColor(0x3C, 0x41, 0x4C));
    palette.setColor(QPalette::Dark, QColor(0x10, 0x12, 0x16));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x81, 0x8C, 0xF8));
    palette.setColor(QPalette::HighlightedText, QColor(0x09, 0x15, 0x40));
    palette.setColor(QPalette::Link, QColor(0x93, 0xC5, 0xFD));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabledText);
    }
    return palette;
}

} // namespace

void Appearance::apply(ThemeMode mode)
{
    const PlatformLook& platform = platformLook();
    if (mode == ThemeMode::system) {
        QApplication::setStyle(platform.styleName);
        QApplication::setPalette(platform.palette);
    } else {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(mode == ThemeMode::dark ? darkPalette() : lightPalette());
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

} // namespace orvela::shell
