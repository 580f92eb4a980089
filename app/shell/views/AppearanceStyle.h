#pragma once

#include <QProxyStyle>

namespace orvela::shell::views {

/// Fusion as the light and dark themes draw it, with outlines that can be seen: Fusion derives
/// the outline of fields, buttons, combo boxes and check boxes from the window colour (2:1 or
/// less), and draws keyboard focus as a faint tint. Here outlines take the palette's Dark role
/// (3:1 or more on windows and cards) and focus a solid ring in the Highlight colour.
class AppearanceStyle : public QProxyStyle {
    Q_OBJECT

public:
    AppearanceStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

    /// Draws a ring of `width` pixels in `color` just inside `rect`.
    static void drawRing(QPainter* painter, const QRect& rect, const QColor& color, int width,
                         qreal radius);
};

} // namespace orvela::shell::views
