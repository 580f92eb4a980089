#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace orvela::components {
class ActionButton;
}

namespace orvela::tokens::views {

// Small pieces every administration section builds from.

/// A wrapped, muted explanation under a section's title.
QLabel* hintLabel(QWidget* parent);
/// Draws a button as the destructive kind: red text and outline.
void markDestructive(components::ActionButton* button);

} // namespace orvela::tokens::views
