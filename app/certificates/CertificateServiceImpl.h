#pragma once

#include "api/ApiErrorCode.h"
#include "certificates/CertificateInfo.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"

#include <QByteArray>
#include <QString>

#include <variant>

namespace orvela::certificates {

/// A parsed certificate, or the error to show instead.
using CertificateResult = std::variant<CertificateInfo, api::ApiError>;

/// Turns PEM text, a PEM or DER file, or DER bytes into a certificate report. Holds nothing but
/// the language of its messages; every failure is an ApiError value with a fixed message chosen
/// by its kind, in Mongolian the texts the inspector has always shown.
class CertificateServiceImpl {
public:
    explicit CertificateServiceImpl(common::AppLanguage language = common::AppLanguage::mn)
        : m_language(language)
    {}

    /// PEM text with or without its marker lines; LF or CR LF line ends.
    CertificateResult parsePem(const QString& text) const;
    /// A PEM file (ASCII start holding "-----BEGIN") or, failing that, DER. Only a regular file
    /// of at most common::inputLimit::certificate bytes is read.
    CertificateResult parseFile(const QString& path) const;
    /// Local input as common::readLocalFile or readStandardInput gave it: its bytes told apart
    /// as parseFile does, or its error (an unreadable file is not_found with the path, as
    /// parseFile says; anything else bad_request naming the cause in the language of `texts`,
    /// the shared service when none is given).
    CertificateResult parseInput(const common::LocalInput& input,
                                 const common::LocalizationService* texts = nullptr) const;
    /// The contents of a file, told apart as parseFile does.
    CertificateResult parseBytes(const QByteArray& bytes) const;
    /// DER bytes; `pemSource` is stored in the result as given.
    CertificateResult parseDer(const QByteArray& der, const QString& pemSource) const;

private:
    QString message(const char* key) const;

    common::AppLanguage m_language;
};

/// PEM text of DER bytes under "CERTIFICATE": 64-character lines, LF line ends, final LF.
QString certificatePem(const QByteArray& der);

} // namespace orvela::certificates
