#include "tokens/views/SignTestFileChooser.h"

#include <QFileDialog>

namespace orvela::tokens::views {

void SignTestFileDialog::choose(QWidget* parent, const QString& message, Chosen chosen)
{
    auto* dialog = new QFileDialog(parent, message);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [chosen = std::move(chosen)](const QString& path) {
                         if (!path.isEmpty()) {
                             chosen(path);
                         }
                     });
    dialog->open();
}

} // namespace orvela::tokens::views
