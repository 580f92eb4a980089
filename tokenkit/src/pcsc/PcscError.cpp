#include "orvela/tokenkit/PcscError.h"

#include <cstdio>
#include <winscard.h>

namespace orvela::tokenkit {

namespace {

std::string describe(std::uint32_t code, const std::string& call, const std::string& text)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    return call + ": " + text + " (" + hex + ")";
}

} // namespace

PcscError::PcscError(std::uint32_t code, std::string_view call)
    : PcscError(code, std::string(call), pcsc_stringify_error(static_cast<LONG>(code)))
{}

PcscError::PcscError(std::uint32_t code, std::string call, std::string text)
    : std::runtime_error(describe(code, call, text)), m_code(code), m_call(std::move(call)),
      m_text(std::move(text))
{}

} // namespace orvela::tokenkit
