#include "certificates/CertificateInfo.h"

namespace orvela::certificates {

std::optional<double> CertificateInfo::remainingValidity(const QDateTime& at) const
{
    if (at > notAfter) {
        return std::nullopt;
    }
    return static_cast<double>(at.msecsTo(notAfter)) / 1000.0;
}

} // namespace orvela::certificates
