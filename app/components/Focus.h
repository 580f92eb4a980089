#pragma once

class QObject;
class QWidget;

namespace orvela::components {

/// Gives the keys to the first control of `area` that Tab would reach, so that a person who
/// opened a page or a part of a card goes on from its top instead of from nowhere (the control
/// that had the keys may just have been hidden). Returns false, changing nothing, when `area`
/// has no such control.
bool focusFirstControl(QWidget* area);

/// Makes Return and Enter press the push or tool button that has the keys, anywhere in the
/// application, as Space does, for as long as `owner` lives. Qt leaves Return to the default
/// button of dialogs only, so on a page a focused button ignored it.
void pressFocusedButtonsOnReturn(QObject* owner);

} // namespace orvela::components
