// A file the person chose to import as the token's certificate, possibly not a certificate,
// and the check that lets only a single certificate through.
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
    // What the import accepts is the value above and nothing else: a certificate taken from
    // anywhere but the file, or cut from it, would be stored on the token.
    if (const auto accepted = orvela::tokens::certificateToImport(bytes);
        accepted && *accepted != value) {
        std::abort();
    }
    return 0;
}
