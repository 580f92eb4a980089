#include "components/Style.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QWidget>

namespace orvela::components::style {

namespace {

QColor withAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

/// A tone's text and icon colour: dark enough for 4.5:1 on light windows, cards and the tone's
/// own fill, and a light variant of the same hue for the same on dark ones.
QColor toneBase(Tone tone, bool dark)
{
    switch (tone) {
    case Tone::info:
        return dark ? accentSky : infoBlue;
    case Tone::success:
        return dark ? QColor(0x4A, 0xDE, 0x80) : QColor(0x0E, 0x6B, 0x0E);
    case Tone::warning:
        return dark ? QColor(0xFB, 0xBF, 0x24) : QColor(0x8A, 0x51, 0x00);
    case Tone::danger:
        return dark ? QColor(0xFC, 0xA5, 0xA5) : dangerRed;
    case Tone::accent:
        return dark ? QColor(0xA5, 0xB4, 0xFC) : QColor(0x4F, 0x46, 0xE5);
    case Tone::neutral:
        break;
    }
    return dark ? QColor(0xA3, 0xAC, 0xB9) : QColor(0x56, 0x60, 0x6E);
}

QFont scaled(double factor, QFont::Weight weight)
{
    QFont font = QApplication::font();
    const double base = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    font.setPointSizeF(base * factor);
    font.setWeight(weight);
    return font;
}

/// Calls back when the application palette changes; owned by the widget it watches.
class ThemeFollower : public QObject {
public:
    ThemeFollower(QWidget* widget, std::function<void()> restyle)
        : QObject(widget), m_restyle(std::move(restyle))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A theme switch reaches a widget as the palette its window passes down, or, for a
        // widget with a style sheet, when the sheet is polished again. Polishing changes the
        // widget's own palette too, so only a new application palette counts.
        const auto type = event->type();
        if ((type == QEvent::PaletteChange || type == QEvent::ApplicationPaletteChange) &&
            QApplication::palette() != m_seen) {
            m_seen = QApplication::palette();
            m_restyle();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_restyle;
    QPalette m_seen = QApplication::palette();
};

QString selectionControlsSheet(const QPalette& palette)
{
    const QColor mark = palette.color(QPalette::Highlight);
    return QStringLiteral(
               "QCheckBox::indicator { width: 14px; height: 14px; border: 2px solid %1;"
               " border-radius: 3px; background: %2; }"
               "QCheckBox::indicator:checked { background: %3; border-color: %3; }"
               "QCheckBox::indicator:disabled { border-color: %4; }"
               "QPushButton { color: %5; background: transparent; border: none;"
               " border-bottom: 2px solid %6; padding: 6px 12px; }"
               "QPushButton:checked { color: %7; border-bottom: 3px solid %3; font-weight: 600; }"
               "QPushButton:focus { border: 2px solid %7; }"
               "QTabBar::tab { color: %5; background: transparent; border: none;"
               " border-bottom: 2px solid %6; padding: 6px 12px; min-height: 20px; }"
               "QTabBar::tab:selected { color: %7; border-bottom: 3px solid %3; font-weight: 600; "
               "}")
        .arg(cssColor(iconColor(palette)), cssColor(palette.color(QPalette::Base)), cssColor(mark),
             cssColor(palette.color(QPalette::Mid)),
             cssColor(palette.color(QPalette::PlaceholderText)),
             cssColor(palette.color(QPalette::Mid)), cssColor(palette.color(QPalette::WindowText)));
}

} // namespace

void followTheme(QWidget* widget, std::function<void()> restyle)
{
    restyle();
    new ThemeFollower(widget, std::move(restyle));
}

void applySheet(QWidget* widget, const QString& sheet)
{
    if (sheet != widget->styleSheet()) {
        widget->setStyleSheet(sheet);
    }
}

void showSelectionControls(QWidget* widget)
{
    followTheme(widget,
                [widget] { applySheet(widget, selectionControlsSheet(QApplication::palette())); });
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor iconColor(const QPalette& palette)
{
    return toneBase(Tone::neutral, isDark(palette));
}

QString groupedForWrapping(QString text, int every)
{
    for (qsizetype at = (text.size() - 1) / every * every; at > 0; at -= every) {
        text.insert(at, QLatin1Char(' '));
    }
    return text;
}

void showAsSecondaryText(QWidget* label)
{
    label->setForegroundRole(QPalette::PlaceholderText);
}

ToneColors toneColors(Tone tone)
{
    return toneColors(tone, QApplication::palette());
}

ToneColors toneColors(Tone tone, const QPalette& palette)
{
    const QColor base = toneBase(tone, isDark(palette));
    // A translucent fill keeps the tone recognisable over both the light and the dark palette.
    // The outline is the text colour itself: a translucent one fell under 3:1 on both themes.
    return {base, withAlpha(base, 36), base};
}

QColor cardBackground(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    return isDark(palette) ? window.lighter(130) : palette.color(QPalette::Base);
}

QFont titleFont()
{
    return scaled(1.6, QFont::Bold);
}
QFont headlineFont()
{
    return scaled(1.15, QFont::DemiBold);
}
QFont captionFont()
{
    return scaled(0.85, QFont::Normal);
}

QFont codeFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(scaled(1.0, QFont::Normal).pointSizeF() * 1.8);
    font.setWeight(QFont::Bold);
    return font;
}

QString cssColor(const QColor& color)
{
    if (color.alpha() == 255) {
        return color.name(QColor::HexRgb);
    }
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

} // namespace orvela::components::style
