#include "tokens/views/TokenDialogPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orvela::tokens::views {

namespace {

void openDialog(QFileDialog* dialog, QObject* context, TokenPrompts::Chosen chosen)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, context,
                     [chosen = std::move(chosen)](const QString& path) {
                         if (!path.isEmpty()) {
                             chosen(path);
                         }
                     });
    dialog->open();
}

} // namespace

void TokenDialogPrompts::confirm(QWidget* parent, const QString& title, const QString& message,
                                 const QString& confirmLabel, const QString& cancelLabel,
                                 QObject* context, std::function<void(bool)> answer)
{
    auto* box =
        new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::NoButton, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    QPushButton* confirmButton = box->addButton(confirmLabel, QMessageBox::DestructiveRole);
    QPushButton* cancelButton = box->addButton(cancelLabel, QMessageBox::RejectRole);
    // Enter must not destroy the token.
    box->setDefaultButton(cancelButton);
    box->setEscapeButton(cancelButton);
    QObject::connect(box, &QMessageBox::finished, context,
                     [box, confirmButton, answer = std::move(answer)] {
                         answer(box->clickedButton() == confirmButton);
                     });
    box->open();
}

void TokenDialogPrompts::chooseFileToOpen(QWidget* parent, const QString& title, QObject* context,
                                          Chosen chosen)
{
    auto* dialog = new QFileDialog(parent, title);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    openDialog(dialog, context, std::move(chosen));
}

void TokenDialogPrompts::chooseFileToSave(QWidget* parent, const QString& title,
                                          const QString& suggestedName, QObject* context,
                                          Chosen chosen)
{
    auto* dialog = new QFileDialog(parent, title);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(suggestedName);
    openDialog(dialog, context, std::move(chosen));
}

} // namespace orvela::tokens::views
