#include "components/DialogPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace orvela::components {

namespace {

void openDialog(QFileDialog* dialog, QObject* context, Prompts::Chosen chosen)
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

void DialogPrompts::confirm(QWidget* parent, const QString& title, const QString& message,
                            const QString& confirmLabel, const QString& cancelLabel,
                            QObject* context, std::function<void(bool)> answer)
{
    auto* box =
        new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::NoButton, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    QPushButton* confirmButton = box->addButton(confirmLabel, QMessageBox::DestructiveRole);
    QPushButton* cancelButton = box->addButton(cancelLabel, QMessageBox::RejectRole);
    // Enter must not destroy anything.
    box->setDefaultButton(cancelButton);
    box->setEscapeButton(cancelButton);
    QObject::connect(box, &QMessageBox::finished, context,
                     [box, confirmButton, answer = std::move(answer)] {
                         answer(box->clickedButton() == confirmButton);
                     });
    box->open();
}

void DialogPrompts::chooseFileToOpen(QWidget* parent, const QString& title,
                                     const QStringList& nameFilters, QObject* context,
                                     Chosen chosen)
{
    auto* dialog = new QFileDialog(parent, title);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (!nameFilters.isEmpty()) {
        dialog->setNameFilters(nameFilters);
    }
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    openDialog(dialog, context, std::move(chosen));
}

void DialogPrompts::chooseFileToSave(QWidget* parent, const QString& title,
                                     const QString& suggestedName, QObject* context, Chosen chosen)
{
    auto* dialog = new QFileDialog(parent, title);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->selectFile(suggestedName);
    openDialog(dialog, context, std::move(chosen));
}

} // namespace orvela::components
