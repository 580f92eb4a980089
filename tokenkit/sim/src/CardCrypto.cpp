#include "CardCrypto.h"

#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace orvela::sim::cardcrypto {

namespace {

using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

constexpr std::size_t kKeyLength = 16;
constexpr std::size_t kMacLength = 8;

// Single DES lives in OpenSSL 3's legacy provider; two-key Triple-DES with K1 = K2 computes
// the same thing and needs only the default provider.
Bytes doubled(ByteView halfKey)
{
    Bytes key = tokenkit::toBytes(halfKey);
    tokenkit::append(key, halfKey);
    return key;
}

Bytes run(const EVP_CIPHER* cipher, ByteView key, ByteView iv, ByteView data, bool encrypt)
{
    if (key.size() != kKeyLength ||
        data.size() % static_cast<std::size_t>(EVP_CIPHER_get_block_size(cipher)) != 0) {
        throw std::runtime_error("card cipher: bad key or data length");
    }
    if (!iv.empty() && iv.size() != static_cast<std::size_t>(EVP_CIPHER_get_iv_length(cipher))) {
        throw std::runtime_error("card cipher: bad IV length");
    }
    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    Bytes out(data.size() + 32);
    int written = 0;
    int total = 0;
    const bool ok = ctx &&
                    EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(),
                                      iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0) == 1 &&
                    EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1 &&
                    EVP_CipherUpdate(ctx.get(), out.data(), &written, data.data(),
                                     static_cast<int>(data.size())) == 1;
    total = written;
    if (!ok || EVP_CipherFinal_ex(ctx.get(), out.data() + total, &written) != 1) {
        throw std::runtime_error("card cipher failed");
    }
    total += written;
    out.resize(static_cast<std::size_t>(total));
    return out;
}

const EVP_CIPHER* ecbCipher(Family family)
{
    return family == Family::aes ? EVP_aes_128_ecb() : EVP_des_ede_ecb();
}

const EVP_CIPHER* cbcCipher(Family family)
{
    return family == Family::aes ? EVP_aes_128_cbc() : EVP_des_ede_cbc();
}

Bytes lastBlockPrefix(const Bytes& cipherText, std::size_t block)
{
    const auto last = cipherText.end() - static_cast<std::ptrdiff_t>(block);
    return Bytes(last, last + static_cast<std::ptrdiff_t>(kMacLength));
}

Bytes retailMac(ByteView key, ByteView iv, ByteView data)
{
    const Bytes k1 = doubled(key.first(8));
    const Bytes k2 = doubled(key.subspan(8, 8));
    const Bytes chained = run(EVP_des_ede_cbc(), k1, iv, data, true);
    const Bytes last = lastBlockPrefix(chained, 8);
    const Bytes decrypted = run(EVP_des_ede_ecb(), k2, {}, last, false);
    return run(EVP_des_ede_ecb(), k1, {}, decrypted, true);
}

} // namespace

std::size_t blockSize(Family family) noexcept
{
    return family == Family::aes ? 16 : 8;
}

Bytes ecbEncrypt(Family family, ByteView key, ByteView data)
{
    return run(ecbCipher(family), key, {}, data, true);
}

Bytes cbcEncrypt(Family family, ByteView key, ByteView iv, ByteView data)
{
    return run(cbcCipher(family), key, iv, data, true);
}

Bytes cbcDecrypt(Family family, ByteView key, ByteView iv, ByteView data)
{
    return run(cbcCipher(family), key, iv, data, false);
}

Bytes mac(Family family, ByteView key, ByteView iv, ByteView paddedData)
{
    if (paddedData.empty()) {
        throw std::runtime_error("card MAC over nothing");
    }
    if (family == Family::tdes) {
        return retailMac(key, iv, paddedData);
    }
    return lastBlockPrefix(run(EVP_aes_128_cbc(), key, iv, paddedData, true), 16);
}

Bytes pad(ByteView data, std::size_t block)
{
    Bytes out = tokenkit::toBytes(data);
    out.push_back(0x80);
    while (out.size() % block != 0) {
        out.push_back(0x00);
    }
    return out;
}

bool unpad(Bytes& data)
{
    std::size_t end = data.size();
    while (end > 0 && data[end - 1] == 0x00) {
        --end;
    }
    if (end == 0 || data[end - 1] != 0x80) {
        return false;
    }
    data.resize(end - 1);
    return true;
}

} // namespace orvela::sim::cardcrypto
