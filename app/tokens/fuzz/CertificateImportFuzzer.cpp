// A file the person chose to import as the token's certificate, possibly not a certificate.
#include "tokens/CertificateImport.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray value = orvela::tokens::certificateValueFromFile(bytes);
    // Base64 only shrinks, so a value longer than the file would mean bytes from elsewhere.
    if (value.size() > bytes.size()) {
        std::abort();
    }
    return 0;
}
