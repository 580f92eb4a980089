#pragma once

#include <winscard.h>

namespace orvela::tokenkit::pcsc {

/// An established PC/SC context, released on destruction.
class PcscContext {
public:
    /// Throws TokenError::readerNotConnected when the PC/SC service is not running.
    PcscContext();
    ~PcscContext();
    PcscContext(const PcscContext&) = delete;
    PcscContext& operator=(const PcscContext&) = delete;

    SCARDCONTEXT handle() const noexcept { return m_handle; }

private:
    SCARDCONTEXT m_handle = 0;
};

} // namespace orvela::tokenkit::pcsc
