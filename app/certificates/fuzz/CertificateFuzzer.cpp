// A certificate file or pasted text, possibly hostile, read as PEM or DER.
#include "certificates/CertificateParser.h"

#include <cstdint>

using namespace orvela::certificates;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const CertificateParser service;
    (void)service.parseBytes(bytes);
    (void)service.parsePem(QString::fromUtf8(bytes));
    return 0;
}
