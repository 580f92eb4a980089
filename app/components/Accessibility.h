#pragma once

class QLabel;
class QWidget;

namespace orvela::components {

/// Makes a screen reader announce `label` as a heading, so that a person can jump from title to
/// title. Call before the label is first shown.
void markAsHeading(QLabel* label);

/// Lets Tab reach `link` and its links, and rings it in the highlight colour while it has the
/// keys: Qt reaches a label's links by mouse only unless told, and its own keyboard mark on a
/// link is a faint tint.
void showAsKeyboardLink(QLabel* link);

/// Shows the accessible name of `widget` (or its button text) as its tooltip when pointed at,
/// without making that text its tooltip: Qt hands a tooltip to screen readers as the
/// description, and the name would be read twice.
void showNameWhenPointedAt(QWidget* widget);

} // namespace orvela::components
