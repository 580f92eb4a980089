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

LockController* askingSignOut(QWidget* parent, state::AppState& appState,
                              common::LocalizationService& localization,
                              LockController::Purpose purpose)
{
    auto* confirmation = new MessageBoxConfirmation(parent);
    return new LockController(appState, localization, *confirmation, parent, purpose);
}

} // namespace orvela::shell
