#include "PcscContext.h"

#include "PcscCheck.h"

namespace orvela::tokenkit::pcsc {

PcscContext::PcscContext()
{
    check(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_handle),
          "SCardEstablishContext", Step::opening);
}

PcscContext::~PcscContext()
{
    SCardReleaseContext(m_handle);
}

} // namespace orvela::tokenkit::pcsc
