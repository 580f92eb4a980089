#include "SecureChannel.h"

#include <stdexcept>

namespace orvela::sim {

namespace {

using tokenkit::append;

constexpr std::size_t kChallengeLength = 8;
constexpr std::size_t kMacLength = 8;
constexpr std::size_t kReplyBudget = 256;
// DO99 (4 bytes), DO8E (10 bytes) and the DO87 tag, length and indicator bytes.
constexpr std::size_t kReplyOverhead = 4 + 10 + 3;

// Diversification data, key version and protocol bytes that lead the INITIALIZE UPDATE answer;
// the host reads nothing ahead of the card challenge.
Bytes initializeUpdatePreamble(bool fips)
{
    Bytes out = tokenkit::hexToBytes("4F52564C0000000000 01 01 02");
    if (fips) {
        out.push_back(0x03);
    }
    return out;
}

struct ParsedBody {
    Bytes do87;
    Bytes do97;
    Bytes mac;
};

// Reads DO87, DO97 and DO8E, in that order, each optional except the MAC, which must be last.
std::optional<ParsedBody> parseBody(ByteView body)
{
    ParsedBody parsed;
    std::size_t pos = 0;
    auto take = [&](std::uint8_t tag, Bytes& into) {
        if (pos + 2 > body.size() || body[pos] != tag) {
            return true;
        }
        const std::size_t length = body[pos + 1];
        if (pos + 2 + length > body.size()) {
            return false;
        }
        into = tokenkit::toBytes(body.subspan(pos, length + 2));
        pos += length + 2;
        return true;
    };
    if (!take(0x87, parsed.do87) || !take(0x97, parsed.do97) || !take(0x8E, parsed.mac)) {
        return std::nullopt;
    }
    if (pos != body.size() || parsed.mac.size() != kMacLength + 2) {
        return std::nullopt;
    }
    if (!parsed.do97.empty() && parsed.do97.size() != 3) {
        return std::nullopt;
    }
    return parsed;
}

} // namespace

SecureChannel::SecureChannel(cardcrypto::Family family, bool fips) : m_family(family), m_fips(fips)
{}

void SecureChannel::drop() noexcept
{
    m_established = false;
    m_awaitingAuth = false;
    m_keyEnc.clear();
    m_keyMac.clear();
    m_expectedHostCryptogram.clear();
    m_icv.assign(16, 0);
}

Bytes SecureChannel::cryptogram(ByteView first, ByteView second) const
{
    Bytes input = tokenkit::toBytes(first);
    append(input, second);
    const Bytes padded = cardcrypto::pad(input, block());
    const Bytes zeroIv(block(), 0);
    const Bytes encrypted = cardcrypto::cbcEncrypt(m_family, m_keyEnc, zeroIv, padded);
    return Bytes(encrypted.begin() + 16, encrypted.begin() + 24);
}

CardReply SecureChannel::initializeUpdate(ByteView hostChallenge, ByteView cardChallenge,
                                          ByteView staticEnc, ByteView staticMac)
{
    drop();
    if (hostChallenge.size() != kChallengeLength || cardChallenge.size() != kChallengeLength) {
        return CardReply::status(sw::wrongLength);
    }
    Bytes derivation = tokenkit::toBytes(cardChallenge.subspan(4, 4));
    append(derivation, hostChallenge.first(4));
    append(derivation, cardChallenge.first(4));
    append(derivation, hostChallenge.subspan(4, 4));
    m_keyEnc = cardcrypto::ecbEncrypt(m_family, staticEnc, derivation);
    m_keyMac = cardcrypto::ecbEncrypt(m_family, staticMac, derivation);

    const Bytes cardCryptogram = cryptogram(hostChallenge, cardChallenge);
    m_expectedHostCryptogram = m_fips ? cardCryptogram : cryptogram(cardChallenge, hostChallenge);
    m_awaitingAuth = true;

    Bytes answer = initializeUpdatePreamble(m_fips);
    append(answer, cardChallenge);
    append(answer, cardCryptogram);
    return CardReply::ok(std::move(answer));
}

CardReply SecureChannel::externalAuthenticate(const CardCommand& command)
{
    if (!m_awaitingAuth) {
        drop();
        return CardReply::status(sw::conditionsNotSatisfied);
    }
    if (command.data.size() != 2 * kMacLength) {
        drop();
        return CardReply::status(sw::securityNotSatisfied);
    }
    const ByteView hostCryptogram = ByteView(command.data).first(kMacLength);
    const ByteView hostMac = ByteView(command.data).subspan(kMacLength);

    Bytes macInput{command.cla, command.ins, command.p1, command.p2,
                   static_cast<std::uint8_t>(command.data.size())};
    append(macInput, hostCryptogram);
    macInput.push_back(0x80);
    macInput.resize(m_fips ? 32 : 16, 0x00);
    const Bytes expectedMac = cardcrypto::mac(m_family, m_keyMac, Bytes(block(), 0), macInput);

    const bool cryptogramOk =
        tokenkit::constantTimeEquals(hostCryptogram, m_expectedHostCryptogram);
    const bool macOk = tokenkit::constantTimeEquals(hostMac, expectedMac);
    if (!cryptogramOk || !macOk) {
        drop();
        return CardReply::status(sw::securityNotSatisfied);
    }
    m_awaitingAuth = false;
    m_established = true;
    m_icv.assign(16, 0);
    std::copy(expectedMac.begin(), expectedMac.end(), m_icv.begin());
    return CardReply::ok();
}

void SecureChannel::incrementCounter() noexcept
{
    for (std::size_t i = block(); i-- > 0;) {
        if (++m_icv[i] != 0) {
            return;
        }
    }
}

Bytes SecureChannel::chainingIv() const
{
    return Bytes(m_icv.begin(), m_icv.begin() + static_cast<std::ptrdiff_t>(block()));
}

std::variant<CardCommand, std::uint16_t> SecureChannel::unprotect(ByteView apdu)
{
    if (!m_established) {
        return sw::smNotSupported;
    }
    const auto outer = CardCommand::parse(apdu);
    const auto body = outer ? parseBody(outer->data) : std::nullopt;
    if (!body) {
        drop();
        return sw::smDataIncorrect;
    }
    Bytes macInput{outer->cla, outer->ins, outer->p1, outer->p2, 0x80};
    macInput.resize(block(), 0x00);
    append(macInput, body->do87);
    append(macInput, body->do97);
    incrementCounter();
    const Bytes expected =
        cardcrypto::mac(m_family, m_keyMac, chainingIv(), cardcrypto::pad(macInput, block()));
    if (!tokenkit::constantTimeEquals(ByteView(body->mac).subspan(2), expected)) {
        drop();
        return sw::smDataIncorrect;
    }
    std::copy(expected.begin(), expected.end(), m_icv.begin());

    CardCommand command;
    command.cla = static_cast<std::uint8_t>(outer->cla & ~0x0C);
    command.ins = outer->ins;
    command.p1 = outer->p1;
    command.p2 = outer->p2;
    command.secured = true;
    if (!body->do97.empty()) {
        command.le = body->do97[2] == 0 ? 256 : body->do97[2];
    }
    if (!body->do87.empty()) {
        const ByteView value = ByteView(body->do87).subspan(2);
        if (value.size() < 1 + block() || value[0] != 0x01 || (value.size() - 1) % block() != 0) {
            drop();
            return sw::smDataIncorrect;
        }
        command.data =
            cardcrypto::cbcDecrypt(m_family, m_keyEnc, Bytes(block(), 0), value.subspan(1));
        if (!cardcrypto::unpad(command.data)) {
            drop();
            return sw::smDataIncorrect;
        }
    }
    return command;
}

std::size_t SecureChannel::maxReplyData() const noexcept
{
    // The largest cryptogram that fits the budget and whose length byte (cryptogram + 1) fits
    // in one byte, less the one padding byte that is always added.
    const std::size_t cryptogram = (kReplyBudget - kReplyOverhead) / block() * block();
    return std::min<std::size_t>(cryptogram, 254 / block() * block()) - 1;
}

Bytes SecureChannel::protect(const CardReply& reply, bool corruptMac) const
{
    if (!reply.isSuccess()) {
        return reply.encode();
    }
    if (reply.data.size() > maxReplyData()) {
        throw std::length_error("protected answer too long");
    }
    Bytes objects;
    if (!reply.data.empty()) {
        const Bytes encrypted = cardcrypto::cbcEncrypt(m_family, m_keyEnc, Bytes(block(), 0),
                                                       cardcrypto::pad(reply.data, block()));
        objects = {0x87, static_cast<std::uint8_t>(encrypted.size() + 1), 0x01};
        append(objects, encrypted);
    }
    append(objects, Bytes{0x99, 0x02, static_cast<std::uint8_t>(reply.sw >> 8),
                          static_cast<std::uint8_t>(reply.sw & 0xFF)});
    // The answer MAC chains on the command MAC without moving the chain: the host does not
    // verify it and its next command MAC starts from the command's own.
    Bytes mac =
        cardcrypto::mac(m_family, m_keyMac, chainingIv(), cardcrypto::pad(objects, block()));
    if (corruptMac) {
        mac[0] ^= 0x01;
    }
    append(objects, Bytes{0x8E, 0x08});
    append(objects, mac);
    append(objects, Bytes{0x90, 0x00});
    return objects;
}

} // namespace orvela::sim
