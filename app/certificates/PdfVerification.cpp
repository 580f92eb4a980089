#include "certificates/PdfVerification.h"

namespace orvela::certificates {

PdfVerification uncheckedPdfVerification(const QString&)
{
    return {DocumentVerdict::couldNotCheck, {}};
}

} // namespace orvela::certificates
