#include "shell/dashboard/MessageBoxConfirmation.h"

#include <QMessageBox>
#include <QPushButton>

namespace orvela::shell {

MessageBoxConfirmation::MessageBoxConfirmation(QWidget* parent) : QObject(parent), m_parent(parent)
{}

void MessageBoxConfirmation::confirm(const QString& title, const QString& message,
                                     const QString& confirmLabel, QObject* context,
                                     std::function<void(bool)> answer)
{
    auto* box =
        new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::Cancel, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* confirmButton = box->addButton(confirmLabel, QMessageBox::DestructiveRole);
    box->setDefaultButton(QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, context,
                     [box, confirmButton, answer = std::move(answer)] {
                         answer(box->clickedButton() == confirmButton);
                     });
    box->open();
}

} // namespace orvela::shell
