#pragma once

#include "VirtualReaderShared.h"

namespace orvela::sim {

/// An exclusive session with the token in one virtual reader.
class VirtualCardSession final : public tokenkit::CardSession {
public:
    /// The caller has marked the slot as in session and checked that it holds a card.
    VirtualCardSession(std::shared_ptr<VirtualReaderBackend::Shared> shared, std::size_t slot,
                       std::shared_ptr<VirtualToken> token, Bytes atr);
    ~VirtualCardSession() override;

    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_atr; }

private:
    std::shared_ptr<VirtualReaderBackend::Shared> m_shared;
    std::size_t m_slot;
    std::shared_ptr<VirtualToken> m_token;
    Bytes m_atr;
    bool m_cardLost = false;
};

} // namespace orvela::sim
