#include "components/Style.h"

#include <QApplication>
#include <QFontDatabase>

namespace orvela::components::style {

namespace {

QColor withAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

QColor toneBase(Tone tone)
{
    switch (tone) {
    case Tone::info:
        return infoBlue;
    case Tone::success:
        return successGreen;
    case Tone::warning:
        return warningAmber;
    case Tone::danger:
        return dangerRed;
    case Tone::accent:
        return accentIndigo;
    case Tone::neutral:
        break;
    }
    return neutralGray;
}

QFont scaled(double factor, QFont::Weight weight)
{
    QFont font = QApplication::font();
    const double base = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    font.setPointSizeF(base * factor);
    font.setWeight(weight);
    return font;
}

} // namespace

ToneColors toneColors(Tone tone)
{
    const QColor base = toneBase(tone);
    // Translucent fills keep the tone recognisable over both the light and the dark palette.
    return {base, withAlpha(base, 36), withAlpha(base, 110)};
}

QColor cardBackground(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    return window.lightness() < 128 ? window.lighter(130) : palette.color(QPalette::Base);
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
