#pragma once

#include "signing/PdfSignatureReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace orvela::signing {

/// The largest PDF whose signatures are checked; a signed copy may be well over the 25 MiB a
/// document may have when it is signed, once signatures and validation data are added.
inline constexpr qint64 maxVerifiedPdfSize = 100 * 1024 * 1024;

/// Whom to trust, and when.
struct VerifyOptions {
    /// Trust the system's certificate authorities (Debian: /etc/ssl/certs).
    bool systemTrust = true;
    /// PEM text of further authorities to trust (a service's own, the simulator's).
    QByteArray trustPem;
    /// The moment the chains are judged at; invalid means now. A signature whose timestamp is
    /// proved is judged at the proved time instead.
    QDateTime time;
};

/// Checks every signature and document timestamp of the PDF at `path`: a regular file of at
/// most maxVerifiedPdfSize bytes, read once. Never throws; a file that cannot be read or is no
/// PDF gives a report with `problem` set and no entries.
PdfSignatureReport verifyPdfFile(const QString& path, const VerifyOptions& options = {});

/// The same for bytes already in memory; they are read in place, never copied.
PdfSignatureReport verifyPdfBytes(const QByteArray& pdf, const VerifyOptions& options = {});

} // namespace orvela::signing
