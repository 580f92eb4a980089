#include "tokens/views/SecureField.h"

#include <QSignalBlocker>

namespace orvela::tokens::views {

QLineEdit* makeSecureField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    return field;
}

void syncField(QLineEdit* field, const QString& text)
{
    if (field->text() != text) {
        const QSignalBlocker blocker(field);
        field->setText(text);
    }
}

} // namespace orvela::tokens::views
