#include "SecretStore.h"

#include "orvela/tokenkit/Digest.h"

namespace orvela::sim {

namespace {

constexpr std::size_t kHeaderLength = 10;
constexpr std::size_t kTransportKeyLength = 16;
constexpr std::size_t kSecretLength = 24;
constexpr std::size_t kDigestLength = 20;
constexpr std::size_t kMaxPinBlock = 16;

Bytes secretOf(ByteView pin)
{
    Bytes secret = tokenkit::sha1(pin);
    const auto length = static_cast<std::uint32_t>(pin.size());
    for (int shift = 0; shift < 32; shift += 8) {
        secret.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    return secret;
}

std::size_t installedLength(const Bytes& secret)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        length |= static_cast<std::size_t>(secret[kDigestLength + i]) << (8 * i);
    }
    return length;
}

// The host pads the PIN with 00 up to 16 bytes; the PIN itself ends where the padding starts,
// but never before the length that was installed.
Bytes candidatePin(ByteView block, std::size_t installed)
{
    std::size_t end = block.size();
    while (end > 0 && block[end - 1] == 0x00) {
        --end;
    }
    if (end < installed && installed <= block.size()) {
        end = installed;
    }
    return tokenkit::toBytes(block.first(end));
}

} // namespace

std::uint16_t SecretStore::install(ByteView data)
{
    if (data.size() < kHeaderLength) {
        return sw::wrongLength;
    }
    const std::uint8_t keyType = data[0];
    const std::uint8_t keyNumber = data[1];
    const ByteView key = data.subspan(kHeaderLength);
    switch (keyType) {
    case 0x01:
    case 0x02:
        if (key.size() != kTransportKeyLength) {
            return sw::wrongLength;
        }
        (keyType == 0x01 ? m_enc : m_mac) = tokenkit::toBytes(key);
        return sw::ok;
    case 0x04:
    case 0x06: {
        if (key.size() != kSecretLength) {
            return sw::wrongLength;
        }
        const int counter = data[9] & 0x0F;
        if (counter == 0 || (data[9] >> 4) != counter) {
            return sw::wrongData;
        }
        m_pins[keyNumber] = PinRecord{keyType, tokenkit::toBytes(key), counter, counter};
        return sw::ok;
    }
    default:
        return sw::wrongData;
    }
}

std::uint16_t SecretStore::verify(std::uint8_t keyNumber, ByteView pinBlock)
{
    const auto it = m_pins.find(keyNumber);
    if (it == m_pins.end()) {
        return sw::referenceNotFound;
    }
    if (pinBlock.empty() || pinBlock.size() > kMaxPinBlock) {
        return sw::wrongLength;
    }
    PinRecord& pin = it->second;
    if (pin.triesLeft <= 0) {
        return sw::pinBlocked;
    }
    const Bytes candidate = candidatePin(pinBlock, installedLength(pin.secret));
    if (tokenkit::constantTimeEquals(secretOf(candidate), pin.secret)) {
        pin.triesLeft = pin.maxTries;
        return sw::ok;
    }
    --pin.triesLeft;
    return static_cast<std::uint16_t>(0x63C0 | pin.triesLeft);
}

void SecretStore::erase()
{
    m_enc.reset();
    m_mac.reset();
    m_pins.clear();
}

Bytes SecretStore::transportEnc(ByteView fallback) const
{
    return m_enc ? *m_enc : tokenkit::toBytes(fallback);
}

Bytes SecretStore::transportMac(ByteView fallback) const
{
    return m_mac ? *m_mac : tokenkit::toBytes(fallback);
}

std::optional<int> SecretStore::triesLeft(std::uint8_t keyNumber) const
{
    const auto it = m_pins.find(keyNumber);
    if (it == m_pins.end()) {
        return std::nullopt;
    }
    return it->second.triesLeft;
}

void SecretStore::restoreTransport(std::optional<Bytes> enc, std::optional<Bytes> mac)
{
    m_enc = std::move(enc);
    m_mac = std::move(mac);
}

void SecretStore::restorePin(std::uint8_t keyNumber, PinRecord record)
{
    m_pins[keyNumber] = std::move(record);
}

} // namespace orvela::sim
