#include "orvela/tokenkit/APDUCommand.h"

#include "orvela/tokenkit/TokenError.h"

#include <cstdio>

namespace orvela::tokenkit {

namespace {
constexpr std::size_t kMaxPayload = 255;
constexpr std::size_t kHeaderSize = 4;
} // namespace

APDUCommand::APDUCommand(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1, std::uint8_t p2,
                         std::optional<Bytes> payload, std::uint8_t le)
    : m_cla(cla), m_ins(ins), m_p1(p1), m_p2(p2), m_payload(std::move(payload)), m_le(le)
{
    if (m_payload) {
        if (m_payload->size() > kMaxPayload) {
            throw TokenError::invalidAPDU();
        }
        m_lc = static_cast<std::uint8_t>(m_payload->size());
    }
}

APDUCommand APDUCommand::fromHex(std::string_view hex)
{
    const Bytes bytes = hexToBytes(hex);
    if (bytes.size() < kHeaderSize) {
        throw TokenError::invalidAPDU();
    }
    if (bytes.size() == kHeaderSize) {
        return APDUCommand(bytes[0], bytes[1], bytes[2], bytes[3]);
    }
    if (bytes.size() == kHeaderSize + 1) {
        return APDUCommand(bytes[0], bytes[1], bytes[2], bytes[3], std::nullopt, bytes[4]);
    }
    const std::size_t lc = bytes[4];
    const std::size_t bodyEnd = kHeaderSize + 1 + lc;
    std::uint8_t le = 0;
    if (bytes.size() == bodyEnd + 1) {
        le = bytes.back();
    } else if (bytes.size() != bodyEnd) {
        throw TokenError::invalidAPDU();
    }
    Bytes payload(bytes.begin() + kHeaderSize + 1, bytes.begin() + static_cast<long>(bodyEnd));
    return APDUCommand(bytes[0], bytes[1], bytes[2], bytes[3], std::move(payload), le);
}

Bytes APDUCommand::buildBuffer() const
{
    Bytes out{m_cla, m_ins, m_p1, m_p2};
    if (m_payload) {
        out.reserve(kHeaderSize + 2 + m_payload->size());
        out.push_back(m_lc);
        append(out, *m_payload);
    }
    if (m_le != 0) {
        out.push_back(m_le);
    }
    return out;
}

std::string APDUCommand::redactedDescription() const
{
    char text[96];
    int n = std::snprintf(text, sizeof text, "CLA=%02X INS=%02X P1=%02X P2=%02X", m_cla, m_ins,
                          m_p1, m_p2);
    std::string out(text, static_cast<std::size_t>(n));
    if (m_payload) {
        n = std::snprintf(text, sizeof text, " Lc=%02X Data=<redacted:%zuB>", m_lc,
                          m_payload->size());
        out.append(text, static_cast<std::size_t>(n));
    }
    n = std::snprintf(text, sizeof text, " Le=%02X", m_le);
    out.append(text, static_cast<std::size_t>(n));
    return out;
}

} // namespace orvela::tokenkit
