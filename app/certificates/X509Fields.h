#pragma once

#include "certificates/CertificateInfo.h"

#include <QByteArray>
#include <optional>

namespace orvela::certificates {

/// Reads every field of the report (all but `pemSource`) from DER bytes with OpenSSL; nullopt
/// when the bytes are not exactly one X.509 certificate.
std::optional<CertificateInfo> readX509Fields(const QByteArray& der);

} // namespace orvela::certificates
