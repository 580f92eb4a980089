#include "orvela/tokenkit/APDUResponse.h"

#include <cstdio>

namespace orvela::tokenkit {

std::string hexStatus(std::uint16_t status)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(status));
    return text;
}

APDUResponse APDUResponse::fromFullData(ByteView raw)
{
    if (raw.size() < 2) {
        return APDUResponse(std::nullopt, 0x6F, 0x00);
    }
    const std::uint8_t sw1 = raw[raw.size() - 2];
    const std::uint8_t sw2 = raw[raw.size() - 1];
    if (raw.size() == 2) {
        return APDUResponse(std::nullopt, sw1, sw2);
    }
    return APDUResponse(toBytes(raw.first(raw.size() - 2)), sw1, sw2);
}

std::string APDUResponse::hexStatus() const
{
    return tokenkit::hexStatus(status());
}

std::string APDUResponse::description() const
{
    const std::size_t length = m_data ? m_data->size() : 0;
    return "APDUResponse(SW=" + hexStatus() + ", data=<" + std::to_string(length) + "B>)";
}

void APDUResponse::wipe() noexcept
{
    if (m_data) {
        secureWipe(m_data->data(), m_data->size());
        m_data.reset();
    }
}

} // namespace orvela::tokenkit
