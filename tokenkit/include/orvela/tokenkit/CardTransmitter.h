#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/SmartCard.h"

namespace orvela::tokenkit {

/// Byte-level transport used by secure messaging: complete command in, complete reply out.
class CardTransmitter {
public:
    virtual ~CardTransmitter() = default;
    virtual Bytes transmitRaw(ByteView command) = 0;
};

/// CardTransmitter over the platform's card. The card is borrowed; it must outlive this object.
class TKSmartCardTransmitter final : public CardTransmitter {
public:
    explicit TKSmartCardTransmitter(SmartCard& card) : m_card(card) {}
    Bytes transmitRaw(ByteView command) override { return m_card.transmit(command); }

private:
    SmartCard& m_card;
};

} // namespace orvela::tokenkit
