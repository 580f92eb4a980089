#pragma once

#include "api/ApiErrorCode.h"
#include "certificates/CertificateInfo.h"

#include <QByteArray>
#include <QString>

#include <variant>

namespace orvela::certificates {

/// A parsed certificate, or the error to show instead.
using CertificateResult = std::variant<CertificateInfo, api::ApiError>;

/// Turns PEM text, a PEM or DER file, or DER bytes into a certificate report. Stateless; every
/// failure is an ApiError value with a fixed message.
class CertificateServiceImpl {
public:
    /// PEM text with or without its marker lines; LF or CR LF line ends.
    CertificateResult parsePem(const QString& text) const;
    /// A PEM file (ASCII start holding "-----BEGIN") or, failing that, DER.
    CertificateResult parseFile(const QString& path) const;
    /// The contents of a file, told apart as parseFile does.
    CertificateResult parseBytes(const QByteArray& bytes) const;
    /// DER bytes; `pemSource` is stored in the result as given.
    CertificateResult parseDer(const QByteArray& der, const QString& pemSource) const;
};

/// PEM text of DER bytes under "CERTIFICATE": 64-character lines, LF line ends, final LF.
QString certificatePem(const QByteArray& der);

} // namespace orvela::certificates
