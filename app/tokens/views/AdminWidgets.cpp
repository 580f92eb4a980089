#include "tokens/views/AdminWidgets.h"

#include "components/ActionButton.h"
#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QLabel>

namespace orvela::tokens::views {

namespace style = components::style;

QLabel* hintLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setFont(style::captionFont());
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

void markDestructive(components::ActionButton* button)
{
    const components::ToneColors danger = style::toneColors(components::Tone::danger);
    button->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: transparent; border: 1px solid %1;"
                       " border-radius: %2px; padding: 6px 15px; }"
                       "QPushButton:hover { background: %3; }"
                       "QPushButton:disabled { color: palette(mid); border-color: palette(mid); }")
            .arg(style::cssColor(danger.foreground))
            .arg(style::radiusM)
            .arg(style::cssColor(danger.background)));
}

} // namespace orvela::tokens::views
