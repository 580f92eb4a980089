#include "orvela/tokenkit/SecureMessaging.h"

#include "SymmetricCrypto.h"
#include "orvela/tokenkit/TokenError.h"

#include <openssl/rand.h>

#include <algorithm>

namespace orvela::tokenkit {

namespace {

constexpr std::size_t kChallengeLength = 8;
constexpr std::size_t kCryptogramLength = 8;
constexpr std::size_t kMacLength = 8;
constexpr std::size_t kMaxBody = 255;
constexpr std::size_t kMaxCryptogram = 254;
constexpr std::size_t kDo8eLength = 2 + kMacLength;
constexpr std::size_t kDo97Length = 3;

std::uint16_t statusOf(ByteView reply)
{
    return static_cast<std::uint16_t>(reply[reply.size() - 2] << 8 | reply[reply.size() - 1]);
}

bool startsWith(ByteView data, std::size_t offset, std::initializer_list<std::uint8_t> prefix)
{
    return data.size() >= offset + prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), data.begin() + static_cast<long>(offset));
}

/// Bytes 16..23 of the zero-IV CBC encryption of a padded 16-byte challenge pair.
Bytes cryptogramOf(ByteView key, ByteView first, ByteView second, bool aes)
{
    Bytes input = toBytes(first);
    append(input, second);
    const std::size_t block = aes ? crypto::kAesBlock : crypto::kDesBlock;
    const Bytes padded = crypto::pad(input, block);
    const Bytes iv(block, 0);
    const Bytes encrypted = aes ? crypto::aesCbc(key, iv, padded, true)
                                : crypto::tdesCbc(key, iv, padded, true);
    return Bytes(encrypted.begin() + 16, encrypted.begin() + 16 + kCryptogramLength);
}

} // namespace

SecureMessaging::RandomSource SecureMessaging::systemRandom()
{
    return [](std::span<std::uint8_t> out) {
        return RAND_bytes(out.data(), static_cast<int>(out.size())) == 1;
    };
}

SecureMessaging::SecureMessaging(RandomSource random) : m_random(std::move(random)) {}

bool SecureMessaging::usesAES() const noexcept
{
    return m_isFIPS || m_keyType == KeyEncType::aes;
}

std::size_t SecureMessaging::blockSize() const noexcept
{
    return m_keyType == KeyEncType::aes ? crypto::kAesBlock : crypto::kDesBlock;
}

std::size_t SecureMessaging::maxWrappedDataLength(KeyEncType type, bool withLe)
{
    const std::size_t block = type == KeyEncType::aes ? crypto::kAesBlock : crypto::kDesBlock;
    const std::size_t room = std::min(kMaxCryptogram, kMaxBody - 3 - kDo8eLength -
                                                          (withLe ? kDo97Length : 0));
    // Padding always adds at least one byte, so whole blocks minus one.
    return room / block * block - 1;
}

void SecureMessaging::probeMode(CardTransmitter& card)
{
    static constexpr std::uint8_t kGetData[] = {0x00, 0xCA, 0x01, 0x86, 0x00};
    const Bytes reply = card.transmitRaw(kGetData);
    if (reply.size() < 5) {
        return;
    }
    const ByteView d = ByteView(reply).first(reply.size() - 2);
    m_isFIPS = d.size() >= 35 && startsWith(d, 0, {0x80, 0x01, 0x01}) &&
               startsWith(d, 32, {0x87, 0x01, 0x01});
    m_keyType = d[2] == 0x01 ? KeyEncType::aes : KeyEncType::des;
}

void SecureMessaging::mutualAuth(CardTransmitter& card, ByteView transportKeyEnc,
                                 ByteView transportKeyMac)
{
    probeMode(card);

    Bytes hostChallenge(kChallengeLength);
    if (!m_random || !m_random(hostChallenge)) {
        throw TokenError::authFailed();
    }

    Bytes initializeUpdate{0x80, 0x50, 0x00, 0x00, 0x08};
    append(initializeUpdate, hostChallenge);
    initializeUpdate.push_back(m_isFIPS ? 0x1D : 0x1C);
    const Bytes reply = card.transmitRaw(initializeUpdate);
    if (reply.size() < 2) {
        throw TokenError::authFailed();
    }
    if (const auto status = statusOf(reply); status != 0x9000) {
        throw TokenError::unexpectedStatus(status);
    }
    const ByteView r = ByteView(reply).first(reply.size() - 2);
    const std::size_t challengeAt = m_isFIPS ? 13 : 12;
    if (r.size() < challengeAt + kChallengeLength + kCryptogramLength) {
        throw TokenError::authFailed();
    }
    const ByteView cardChallenge = r.subspan(challengeAt, kChallengeLength);
    const ByteView cardCryptogram = r.subspan(challengeAt + kChallengeLength, kCryptogramLength);

    const ByteView hc = hostChallenge;
    Bytes derivation = toBytes(cardChallenge.subspan(4, 4));
    append(derivation, hc.first(4));
    append(derivation, cardChallenge.first(4));
    append(derivation, hc.subspan(4, 4));

    const bool aes = usesAES();
    if (transportKeyEnc.size() != 16 || transportKeyMac.size() != 16) {
        throw TokenError::secureMessagingFailed();
    }
    m_sessionKeyEnc = aes ? crypto::aesEcbEncrypt(transportKeyEnc, derivation)
                          : crypto::tdesEcbEncrypt(transportKeyEnc, derivation);
    m_sessionKeyMac = aes ? crypto::aesEcbEncrypt(transportKeyMac, derivation)
                          : crypto::tdesEcbEncrypt(transportKeyMac, derivation);

    const Bytes expected = cryptogramOf(m_sessionKeyEnc, hc, cardChallenge, aes);
    if (!constantTimeEquals(expected, cardCryptogram)) {
        throw TokenError::authFailed();
    }
    const Bytes hostCryptogram =
        m_isFIPS ? expected : cryptogramOf(m_sessionKeyEnc, cardChallenge, hc, aes);

    Bytes externalAuthenticate{0x84, 0x82, 0x03, 0x00, 0x10};
    append(externalAuthenticate, hostCryptogram);
    Bytes macInput = externalAuthenticate;
    macInput.push_back(0x80);
    macInput.resize(m_isFIPS ? 32 : 16, 0x00);
    const Bytes zeroIv(aes ? crypto::kAesBlock : crypto::kDesBlock, 0);
    const Bytes mac = aes ? crypto::aesMac(m_sessionKeyMac, zeroIv, macInput)
                          : crypto::retailMac(m_sessionKeyMac, zeroIv, macInput);

    m_icvMac = mac;
    m_icvMac.resize(16, 0x00);
    append(externalAuthenticate, mac);

    const Bytes answer = card.transmitRaw(externalAuthenticate);
    if (answer.size() < 2 || statusOf(answer) != 0x9000) {
        throw TokenError::authFailed();
    }
    m_isEstablished = true;
}

Bytes SecureMessaging::cbcEncrypt(ByteView data) const
{
    const Bytes iv(blockSize(), 0);
    return m_keyType == KeyEncType::aes ? crypto::aesCbc(m_sessionKeyEnc, iv, data, true)
                                        : crypto::tdesCbc(m_sessionKeyEnc, iv, data, true);
}

Bytes SecureMessaging::mac(ByteView data, ByteView iv) const
{
    return m_keyType == KeyEncType::aes ? crypto::aesMac(m_sessionKeyMac, iv, data)
                                        : crypto::retailMac(m_sessionKeyMac, iv, data);
}

void SecureMessaging::incrementCounter() noexcept
{
    crypto::incrementBigEndian(std::span(m_icvMac).first(blockSize()));
}

Bytes SecureMessaging::wrapAPDU(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1,
                                std::uint8_t p2, const std::optional<Bytes>& data,
                                std::optional<std::uint8_t> le)
{
    if (!m_isEstablished) {
        throw TokenError::secureMessagingFailed();
    }
    const std::size_t block = blockSize();
    const auto protectedCla = static_cast<std::uint8_t>(cla | 0x0C);

    // Refused before the counter moves, so a command that cannot be sent leaves the channel
    // in step with the card.
    const bool hasData = data && !data->empty();
    if (hasData && data->size() > maxWrappedDataLength(m_keyType, le.has_value())) {
        throw TokenError::invalidAPDU();
    }

    Bytes body;
    if (hasData) {
        const Bytes cryptogram = cbcEncrypt(crypto::pad(*data, block));
        body.reserve(cryptogram.size() + 16);
        body.push_back(0x87);
        body.push_back(static_cast<std::uint8_t>(cryptogram.size() + 1));
        body.push_back(0x01);
        append(body, cryptogram);
    }
    if (le) {
        body.insert(body.end(), {0x97, 0x01, *le});
    }

    Bytes macInput{protectedCla, ins, p1, p2, 0x80};
    macInput.resize(block, 0x00);
    append(macInput, body);
    incrementCounter();
    const Bytes macValue = mac(crypto::pad(macInput, block), ByteView(m_icvMac).first(block));
    std::copy(macValue.begin(), macValue.end(), m_icvMac.begin());

    body.insert(body.end(), {0x8E, 0x08});
    append(body, macValue);

    Bytes out{protectedCla, ins, p1, p2, static_cast<std::uint8_t>(body.size())};
    out.reserve(body.size() + 6);
    append(out, body);
    out.push_back(0x00);
    return out;
}

SecureMessaging::Unwrapped SecureMessaging::unwrapResponse(ByteView reply) const
{
    if (reply.size() < 2) {
        throw TokenError::secureMessagingFailed();
    }
    const std::uint8_t sw1 = reply[reply.size() - 2];
    const std::uint8_t sw2 = reply[reply.size() - 1];
    if (sw1 != 0x90 || sw2 != 0x00) {
        return {{}, sw1, sw2};
    }
    const ByteView body = reply.first(reply.size() - 2);
    Bytes data;
    std::size_t i = 0;
    while (i < body.size()) {
        const std::uint8_t tag = body[i];
        if (tag != 0x87 && tag != 0x8E && tag != 0x99) {
            ++i;
            continue;
        }
        if (i + 1 >= body.size() || i + 2 + body[i + 1] > body.size()) {
            throw TokenError::secureMessagingFailed();
        }
        const std::size_t length = body[i + 1];
        if (tag == 0x87) {
            if (length < 1) {
                throw TokenError::secureMessagingFailed();
            }
            const ByteView cryptogram = body.subspan(i + 3, length - 1);
            const Bytes iv(blockSize(), 0);
            const Bytes plain =
                m_keyType == KeyEncType::aes ? crypto::aesCbc(m_sessionKeyEnc, iv, cryptogram, false)
                                             : crypto::tdesCbc(m_sessionKeyEnc, iv, cryptogram, false);
            data = crypto::unpad(plain);
        }
        i += 2 + length;
    }
    return {std::move(data), sw1, sw2};
}

} // namespace orvela::tokenkit
