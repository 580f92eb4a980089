#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <functional>

class QWidget;

namespace orvela::components {

/// The meaning a coloured element carries; every tinted component picks its colours by tone.
enum class Tone { neutral, info, success, warning, danger, accent };

/// Colours of one tone: text and icon colour, a soft fill behind them, and an outline.
struct ToneColors {
    QColor foreground;
    QColor background;
    QColor border;
};

/// The product's visual constants: brand colours, tones, spacing, radii and fonts. Screens take
/// their colours from here so that a change of palette is one edit.
namespace style {

// Brand panel blues and their accents.
inline const QColor brandNavy{0x09, 0x15, 0x40};
inline const QColor brandDeepBlue{0x0E, 0x20, 0x60};
inline const QColor brandBlue{0x1A, 0x3A, 0x8F};
inline const QColor accentIndigo{0x81, 0x8C, 0xF8};
inline const QColor accentSky{0x93, 0xC5, 0xFD};
inline const QColor accentSteel{0x7C, 0xAE, 0xE8};

// Status colours shared with the certificate report.
inline const QColor dangerRed{0xBA, 0x1A, 0x1A};
inline const QColor warningAmber{0x9D, 0x5D, 0x00};
inline const QColor successGreen{0x10, 0x7C, 0x10};
inline const QColor infoBlue{0x1A, 0x3A, 0x8F};

inline constexpr int spacingXs = 4;
inline constexpr int spacingS = 8;
inline constexpr int spacingM = 12;
inline constexpr int spacingL = 16;
inline constexpr int spacingXl = 24;

inline constexpr int radiusS = 6;
inline constexpr int radiusM = 10;
inline constexpr int radiusL = 12;

/// True when `palette` draws light text on a dark window.
bool isDark(const QPalette& palette);

/// Colours of `tone` for `palette`: the text reaches 4.5:1 on its window, on cards and on the
/// tone's own fill, in the light and in the dark theme.
ToneColors toneColors(Tone tone, const QPalette& palette);
/// Colours of `tone` for the application's palette now.
ToneColors toneColors(Tone tone);

/// The colour drawn icons take on `palette`: 3:1 or more on its window and cards.
QColor iconColor(const QPalette& palette);

/// Draws `label` in the secondary text colour, the palette's placeholder colour: it follows a
/// theme switch and reads at 4.5:1 on windows and cards of either theme.
void showAsSecondaryText(QWidget* label);

/// `text` with a space after every `every` characters, so that a long code (a digest, an ATR)
/// wraps between groups in a narrow window instead of being cut off.
QString groupedForWrapping(QString text, int every);

/// Fill of cards: the base colour on light windows; on dark ones a shade lighter than the
/// window, so that input fields (drawn in the base colour) stand out inside the card.
QColor cardBackground(const QPalette& palette);

/// Fonts relative to the application font, so the user's size preference still holds.
QFont titleFont();
QFont headlineFont();
QFont captionFont();
QFont codeFont();

/// Runs `restyle` now and again after every change of the application palette, so colours a
/// widget computes from the theme follow a switch made after it was built.
void followTheme(QWidget* widget, std::function<void()> restyle);

/// Gives `widget` the style sheet `sheet` unless it has it already: setting the same sheet again
/// polishes the whole subtree once more for nothing.
void applySheet(QWidget* widget, const QString& sheet);

/// Keeps the check box, the checkable button or the tab bar `widget` recognisable in either
/// theme: the platform style draws a dark indicator on a dark card, and a chosen tab barely
/// differs from the others.
void showSelectionControls(QWidget* widget);

/// "#RRGGBB" or "rgba(r, g, b, a)" for style sheets.
QString cssColor(const QColor& color);

} // namespace style
} // namespace orvela::components
