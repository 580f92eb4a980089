#include "signing/views/SignFileDialogChooser.h"

#include <QFileDialog>

namespace orvela::signing::views {

void SignFileDialogChooser::choosePdf(QWidget* parent, const QString& message, Chosen chosen)
{
    auto* dialog = new QFileDialog(parent, message);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setMimeTypeFilters({QStringLiteral("application/pdf")});
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString& path) {
                         if (!path.isEmpty()) {
                             chosen(path);
                         }
                     });
    dialog->open();
}

} // namespace orvela::signing::views
