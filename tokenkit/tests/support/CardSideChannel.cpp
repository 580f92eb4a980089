#include "CardSideChannel.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <stdexcept>

namespace orvela::testing {

namespace {

Bytes evp(const char* name, ByteView key, ByteView iv, ByteView data, bool encrypt)
{
    static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
    (void)legacy;
    (void)standard;
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (cipher == nullptr || ctx == nullptr) {
        throw std::runtime_error(std::string("card side: no cipher ") + name);
    }
    Bytes out(data.size() + 32);
    int n1 = 0;
    int n2 = 0;
    const bool ok = EVP_CipherInit_ex2(ctx, cipher, key.data(), iv.empty() ? nullptr : iv.data(),
                                       encrypt, nullptr) == 1 &&
                    EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                    EVP_CipherUpdate(ctx, out.data(), &n1, data.data(),
                                     static_cast<int>(data.size())) == 1 &&
                    EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    if (!ok) {
        throw std::runtime_error(std::string("card side: cipher failed ") + name);
    }
    out.resize(static_cast<std::size_t>(n1 + n2));
    return out;
}

Bytes iso9797Pad(ByteView data, std::size_t block)
{
    Bytes out(data.begin(), data.end());
    out.push_back(0x80);
    out.resize((out.size() + block - 1) / block * block, 0x00);
    return out;
}

Bytes cat(std::initializer_list<ByteView> parts)
{
    Bytes out;
    for (ByteView p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes sw(std::uint16_t status)
{
    return {static_cast<std::uint8_t>(status >> 8), static_cast<std::uint8_t>(status)};
}

} // namespace

CardSideChannel::CardSideChannel(Mode mode, Bytes staticEncKey, Bytes staticMacKey)
    : m_mode(mode), m_staticEnc(std::move(staticEncKey)), m_staticMac(std::move(staticMacKey)),
      m_cardChallenge(tokenkit::hexToBytes("C1C2C3C4C5C6C7C8"))
{
}

Bytes CardSideChannel::encrypt(ByteView key, ByteView data) const
{
    const Bytes iv(block(), 0);
    return evp(aes() ? "AES-128-CBC" : "DES-EDE-CBC", key, iv, data, true);
}

Bytes CardSideChannel::decrypt(ByteView key, ByteView data) const
{
    const Bytes iv(block(), 0);
    return evp(aes() ? "AES-128-CBC" : "DES-EDE-CBC", key, iv, data, false);
}

Bytes CardSideChannel::macOf(ByteView data, ByteView iv) const
{
    if (aes()) {
        const Bytes chained = evp("AES-128-CBC", m_macKey, iv, data, true);
        return Bytes(chained.end() - 16, chained.end() - 8);
    }
    // Retail MAC: single-DES CBC under the left half, then the last block through
    // DES-decrypt under the right half and DES-encrypt under the left half.
    const ByteView left = ByteView(m_macKey).first(8);
    const ByteView right = ByteView(m_macKey).subspan(8);
    const Bytes chained = evp("DES-CBC", left, iv, data, true);
    const Bytes last(chained.end() - 8, chained.end());
    const Bytes step = evp("DES-ECB", right, {}, last, false);
    return evp("DES-ECB", left, {}, step, true);
}

Bytes CardSideChannel::transmitRaw(ByteView command)
{
    received.emplace_back(command.begin(), command.end());
    if (command.size() >= 4 && command[0] == 0x00 && command[1] == 0xCA) {
        return probeReply();
    }
    if (command.size() >= 5 && command[0] == 0x80 && command[1] == 0x50) {
        return initializeUpdate(command);
    }
    if (command.size() >= 5 && command[0] == 0x84 && command[1] == 0x82) {
        return externalAuthenticate(command);
    }
    if (command.size() >= 5 && (command[0] & 0x0C) == 0x0C) {
        return protectedCommand(command);
    }
    return sw(0x6D00);
}

Bytes CardSideChannel::probeReply() const
{
    Bytes data(40, 0x11);
    switch (m_mode) {
    case Mode::aesFips:
        data[0] = 0x80, data[1] = 0x01, data[2] = 0x01;
        data[32] = 0x87, data[33] = 0x01, data[34] = 0x01;
        break;
    case Mode::aes:
        data[0] = 0x42, data[1] = 0x01, data[2] = 0x01;
        break;
    case Mode::des:
        data[0] = 0x80, data[1] = 0x01, data[2] = 0x02;
        break;
    }
    return cat({data, sw(0x9000)});
}

Bytes CardSideChannel::initializeUpdate(ByteView command)
{
    if (initializeUpdateStatus) {
        return sw(*initializeUpdateStatus);
    }
    const bool fips = m_mode == Mode::aesFips;
    if (command.size() != 14 || command[4] != 0x08 || command[13] != (fips ? 0x1D : 0x1C)) {
        return sw(0x6700);
    }
    m_hostChallenge.assign(command.begin() + 5, command.begin() + 13);
    const ByteView hc = m_hostChallenge;
    const ByteView cc = m_cardChallenge;
    const Bytes derivation = cat({cc.subspan(4, 4), hc.first(4), cc.first(4), hc.subspan(4, 4)});
    const char* ecb = aes() ? "AES-128-ECB" : "DES-EDE-ECB";
    m_encKey = evp(ecb, m_staticEnc, {}, derivation, true);
    m_macKey = evp(ecb, m_staticMac, {}, derivation, true);

    Bytes cryptogram = encrypt(m_encKey, iso9797Pad(cat({hc, cc}), block()));
    cryptogram = Bytes(cryptogram.begin() + 16, cryptogram.begin() + 24);
    if (tamperCardCryptogram) {
        cryptogram[0] ^= 0x01;
    }
    const Bytes filler(fips ? 13 : 12, 0xA5);
    return cat({filler, cc, cryptogram, sw(0x9000)});
}

Bytes CardSideChannel::externalAuthenticate(ByteView command)
{
    if (refuseExternalAuthenticate || command.size() != 21) {
        return sw(0x6982);
    }
    const ByteView hc = m_hostChallenge;
    const ByteView cc = m_cardChallenge;
    const bool fips = m_mode == Mode::aesFips;
    const Bytes order = fips ? cat({hc, cc}) : cat({cc, hc});
    const Bytes full = encrypt(m_encKey, iso9797Pad(order, block()));
    const Bytes expected(full.begin() + 16, full.begin() + 24);
    if (!std::equal(expected.begin(), expected.end(), command.begin() + 5)) {
        return sw(0x6300);
    }
    Bytes macInput(command.begin(), command.begin() + 13);
    macInput.push_back(0x80);
    macInput.resize(fips ? 32 : 16, 0x00);
    const Bytes mac = macOf(macInput, Bytes(block(), 0));
    if (!std::equal(mac.begin(), mac.end(), command.begin() + 13)) {
        return sw(0x6300);
    }
    m_chain = mac;
    m_chain.resize(16, 0x00);
    established = true;
    return sw(0x9000);
}

Bytes CardSideChannel::protectedCommand(ByteView command)
{
    if (!established || command.size() < 5 + 10 + 1 || command[4] != command.size() - 6 ||
        command.back() != 0x00) {
        return sw(0x6988);
    }
    const ByteView body = command.subspan(5, command[4]);
    const std::size_t macAt = body.size() - 10;
    if (body[macAt] != 0x8E || body[macAt + 1] != 0x08) {
        return sw(0x6988);
    }
    // The counter: the first block of the chaining value, one big-endian number.
    for (std::size_t i = block(); i-- > 0;) {
        if (++m_chain[i] != 0x00) {
            break;
        }
    }
    Bytes header{command[0], command[1], command[2], command[3], 0x80};
    header.resize(block(), 0x00);
    const Bytes macInput = iso9797Pad(cat({header, body.first(macAt)}), block());
    const Bytes mac = macOf(macInput, ByteView(m_chain).first(block()));
    if (!std::equal(mac.begin(), mac.end(), body.begin() + static_cast<long>(macAt) + 2)) {
        ++macFailures;
        established = false;
        return sw(0x6988);
    }
    std::copy(mac.begin(), mac.end(), m_chain.begin());

    lastPlaintext.clear();
    lastLe.reset();
    for (std::size_t i = 0; i < macAt;) {
        const std::uint8_t tag = body[i];
        const std::size_t length = body[i + 1];
        if (tag == 0x87) {
            const Bytes plain = decrypt(m_encKey, body.subspan(i + 3, length - 1));
            std::size_t end = plain.size();
            while (end > 0 && plain[end - 1] == 0x00) {
                --end;
            }
            lastPlaintext.assign(plain.begin(), plain.begin() + static_cast<long>(end - 1));
        } else if (tag == 0x97) {
            lastLe = body[i + 2];
        }
        i += 2 + length;
    }
    ++commandsAccepted;
    return protectResponse(responseData);
}

Bytes CardSideChannel::protectResponse(ByteView data)
{
    Bytes out;
    if (!data.empty()) {
        const Bytes cryptogram = encrypt(m_encKey, iso9797Pad(data, block()));
        out = cat({Bytes{0x87, static_cast<std::uint8_t>(cryptogram.size() + 1), 0x01},
                   cryptogram});
    }
    out = cat({out, Bytes{0x99, 0x02, 0x90, 0x00}});
    // The host does not check the response MAC; any eight bytes in the right place will do.
    out = cat({out, Bytes{0x8E, 0x08}, Bytes(8, 0x5A), sw(0x9000)});
    return out;
}

} // namespace orvela::testing
