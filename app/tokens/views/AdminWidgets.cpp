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
    button->setRole(components::ActionButton::Role::destructive);
}

} // namespace orvela::tokens::views
