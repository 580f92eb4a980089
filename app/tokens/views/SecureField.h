#pragma once

#include <QLineEdit>

namespace orvela::tokens::views {

/// A PIN field: it never shows what is typed, and the text cannot be copied out of it.
QLineEdit* makeSecureField(QWidget* parent);

/// Puts `text` into `field` unless it already holds it, without echoing the change back.
void syncField(QLineEdit* field, const QString& text);

} // namespace orvela::tokens::views
