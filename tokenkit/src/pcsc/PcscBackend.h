#pragma once

#include "orvela/tokenkit/ReaderBackend.h"

#include <chrono>

namespace orvela::tokenkit::pcsc {

/// Readers and cards through the PC/SC service. Each call opens a context of its own, so a
/// restarted service is picked up by the next call.
class PcscBackend final : public ReaderBackend {
public:
    explicit PcscBackend(std::chrono::milliseconds exchangeLimit) : m_exchangeLimit(exchangeLimit)
    {}

    std::vector<std::string> listReaders() override;
    std::unique_ptr<CardSession> connect(const std::string& readerName) override;
    std::unique_ptr<CardEventWaiter> makeEventWaiter() override;

private:
    std::chrono::milliseconds m_exchangeLimit;
};

} // namespace orvela::tokenkit::pcsc
