// An upload request to the simulator: the Content-Type line, a line end, then the body.
#include "MultipartForm.h"

#include <cstdint>

using orvela::backendsim::MultipartForm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype lineEnd = input.indexOf('\n');
    if (lineEnd < 0) {
        return 0;
    }
    (void)MultipartForm::parse(input.left(lineEnd), input.mid(lineEnd + 1));
    return 0;
}
