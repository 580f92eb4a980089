#pragma once

#include "certificates/CertificateError.h"
#include "certificates/CertificateInfo.h"
#include "common/LocalInput.h"

#include <QByteArray>
#include <QString>
#include <variant>

namespace orvela::certificates {

/// A parsed certificate, or the error to show instead.
using CertificateResult = std::variant<CertificateInfo, CertificateError>;

/// Turns PEM text, a PEM or DER file, or DER bytes into a certificate report, or the typed
/// reason it could not; holds nothing.
class CertificateParser {
public:
    /// PEM text with or without its marker lines; LF or CR LF line ends.
    CertificateResult parsePem(const QString& text) const;
    /// A PEM file (ASCII start holding "-----BEGIN") or, failing that, DER. Only a regular file
    /// of at most common::inputLimit::certificate bytes is read.
    CertificateResult parseFile(const QString& path) const;
    /// Local input as common::readLocalFile or readStandardInput gave it: its bytes told apart
    /// as parseFile does, or its error (a file that cannot be opened or read is fileNotFound
    /// with the path; anything else unreadableInput with the reader's cause).
    CertificateResult parseInput(const common::LocalInput& input) const;
    /// The contents of a file, told apart as parseFile does.
    CertificateResult parseBytes(const QByteArray& bytes) const;
    /// DER bytes; `pemSource` is stored in the result as given.
    CertificateResult parseDer(const QByteArray& der, const QString& pemSource) const;
};

/// PEM text of DER bytes under "CERTIFICATE": 64-character lines, LF line ends, final LF.
QString certificatePem(const QByteArray& der);

} // namespace orvela::certificates
