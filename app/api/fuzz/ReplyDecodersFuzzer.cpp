// A reply body from the backend, possibly hostile, through every decoder that reads one.
#include "api/ErrorResponse.h"
#include "api/LoginNotifyResponse.h"
#include "api/SignPdfStartResponse.h"
#include "api/StartResponse.h"
#include "api/StatusResponse.h"

#include <cstdint>
#include <cstdlib>

using namespace orvela::api;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString why;
    (void)StartResponse::decode(body, &why);
    (void)LoginNotifyResponse::decode(body, &why);
    (void)SignPdfStartResponse::decode(body, &why);
    (void)StatusResponse::decode(body, &why);
    (void)ErrorResponse::decode(body);
    // The error text always reaches the person, so it must never come out empty.
    if (ErrorResponse::messageFor(body).isEmpty()) {
        std::abort();
    }
    return 0;
}
