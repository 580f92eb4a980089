// A PDF from anywhere, possibly hostile, with every signature in it checked: the form read by
// qpdf, byte ranges, the CMS and timestamp tokens, and the comparison of revisions.
#include "signing/PdfSignatureVerifier.h"

#include <cstdint>

using namespace orvela::signing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    VerifyOptions options;
    // The system store is read from disk on every run; trust is not what is fuzzed here.
    options.systemTrust = false;
    options.time = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    (void)verifyPdfBytes(bytes, options);
    return 0;
}
