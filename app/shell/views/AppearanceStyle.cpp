#include "shell/views/AppearanceStyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace orvela::shell::views {

namespace {

constexpr qreal controlRadius = 2.0;

// The outline of a control: the Highlight colour while it has the keys, Dark otherwise.
void outline(QPainter* painter, const QStyleOption* option, qreal radius = controlRadius)
{
    const bool focused = option->state & QStyle::State_HasFocus;
    const bool enabled = option->state & QStyle::State_Enabled;
    const QColor colour = focused && enabled ? option->palette.color(QPalette::Highlight)
                                             : option->palette.color(QPalette::Dark);
    AppearanceStyle::drawRing(painter, option->rect, colour, focused && enabled ? 2 : 1, radius);
}

} // namespace

AppearanceStyle::AppearanceStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void AppearanceStyle::drawRing(QPainter* painter, const QRect& rect, const QColor& color, int width,
                               qreal radius)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(color, width));
    painter->setBrush(Qt::NoBrush);
    const qreal inset = width / 2.0;
    painter->drawRoundedRect(QRectF(rect).adjusted(inset, inset, -inset, -inset), radius, radius);
    painter->restore();
}

void AppearanceStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const
{
    switch (element) {
    case PE_FrameFocusRect:
        // Links in labels and the current row of a list show where the keys are.
        drawRing(painter, option->rect, option->palette.color(QPalette::Highlight), 2,
                 controlRadius);
        return;
    case PE_FrameLineEdit:
    case PE_PanelButtonCommand:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        outline(painter, option);
        return;
    case PE_IndicatorCheckBox:
    case PE_IndicatorRadioButton: {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        QStyleOption box(*option);
        box.state &= ~State_HasFocus; // the ring goes round the label, not the box
        outline(painter, &box,
                element == PE_IndicatorRadioButton ? option->rect.width() / 2.0 : controlRadius);
        return;
    }
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void AppearanceStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                         QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox || control == CC_SpinBox) {
        outline(painter, option);
    }
}

} // namespace orvela::shell::views
