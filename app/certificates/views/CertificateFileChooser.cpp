#include "certificates/views/CertificateFileChooser.h"

#include <QFileDialog>

namespace orvela::certificates {

QString DialogCertificateFileChooser::choose(QWidget* parent)
{
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("X.509 гэрчилгээ сонгоно уу"), QString(),
        QStringLiteral("PEM (*.pem);;X.509 (*.crt *.cer *.der);;PDF (*.pdf);;* (*)"));
}

} // namespace orvela::certificates
