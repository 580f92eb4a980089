#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QWidget;

namespace orvela::components {
class ActionButton;
}

namespace orvela::tokens::views {

// Small pieces every administration section builds from.

/// A field that never echoes what is typed (PINs).
QLineEdit* secureField(QWidget* parent);
/// A wrapped, muted explanation under a section's title.
QLabel* hintLabel(QWidget* parent);
/// Shows `value` unless the field already holds it, so the caret stays while typing and a
/// field the logic cleared empties.
void showValue(QLineEdit* field, const QString& value);
/// Draws a button as the destructive kind: red text and outline.
void markDestructive(components::ActionButton* button);

} // namespace orvela::tokens::views
