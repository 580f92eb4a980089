#pragma once

#include <QString>

class QWidget;

namespace orvela::certificates {

/// Asks the user for one certificate or signed PDF file; tests answer it themselves.
class CertificateFileChooser {
public:
    virtual ~CertificateFileChooser() = default;
    /// The chosen path, or an empty text when the user cancelled.
    virtual QString choose(QWidget* parent) = 0;
};

/// The platform's open-file dialog: one file, no folders, certificate types first, then PDF.
class DialogCertificateFileChooser final : public CertificateFileChooser {
public:
    QString choose(QWidget* parent) override;
};

} // namespace orvela::certificates
