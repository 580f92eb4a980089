#include "SymmetricCrypto.h"

#include "orvela/tokenkit/TokenError.h"

#include <openssl/evp.h>

#include <memory>

namespace orvela::tokenkit::crypto {

namespace {

struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};

// Fetched once: an implicit fetch on every call would cost more than the cipher itself.
const EVP_CIPHER* cipherNamed(const char* name)
{
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
    if (cipher == nullptr) {
        throw TokenError::secureMessagingFailed();
    }
    return cipher;
}

const EVP_CIPHER* aes128Ecb()
{
    static const EVP_CIPHER* cipher = cipherNamed("AES-128-ECB");
    return cipher;
}
const EVP_CIPHER* aes128Cbc()
{
    static const EVP_CIPHER* cipher = cipherNamed("AES-128-CBC");
    return cipher;
}
const EVP_CIPHER* tdesEcb()
{
    static const EVP_CIPHER* cipher = cipherNamed("DES-EDE3-ECB");
    return cipher;
}
const EVP_CIPHER* tdesCbcCipher()
{
    static const EVP_CIPHER* cipher = cipherNamed("DES-EDE3-CBC");
    return cipher;
}

Bytes run(const EVP_CIPHER* cipher, ByteView key, ByteView iv, ByteView data, bool encrypt)
{
    const auto block = static_cast<std::size_t>(EVP_CIPHER_get_block_size(cipher));
    if (key.size() != static_cast<std::size_t>(EVP_CIPHER_get_key_length(cipher)) ||
        iv.size() != static_cast<std::size_t>(EVP_CIPHER_get_iv_length(cipher)) ||
        data.size() % block != 0) {
        throw TokenError::secureMessagingFailed();
    }
    std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
    Bytes out(data.size() + block);
    int written = 0;
    int finalWritten = 0;
    const bool ok =
        ctx && EVP_CipherInit_ex2(ctx.get(), cipher, key.data(), iv.empty() ? nullptr : iv.data(),
                                  encrypt ? 1 : 0, nullptr) == 1 &&
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) == 1 &&
        EVP_CipherUpdate(ctx.get(), out.data(), &written, data.data(),
                         static_cast<int>(data.size())) == 1 &&
        EVP_CipherFinal_ex(ctx.get(), out.data() + written, &finalWritten) == 1;
    if (!ok) {
        throw TokenError::secureMessagingFailed();
    }
    out.resize(static_cast<std::size_t>(written + finalWritten));
    return out;
}

void requireLength(ByteView bytes, std::size_t length)
{
    if (bytes.size() != length) {
        throw TokenError::secureMessagingFailed();
    }
}

/// K1 K2 K1 from the 16-byte two-key form.
Bytes expandTwoKey(ByteView key)
{
    requireLength(key, 16);
    Bytes out = toBytes(key);
    append(out, key.first(8));
    return out;
}

/// Single DES as Triple-DES with three equal keys: OpenSSL 3 keeps plain DES in its legacy
/// provider, which a stock installation does not load.
Bytes singleAsTriple(ByteView key)
{
    requireLength(key, 8);
    Bytes out = toBytes(key);
    append(out, key);
    append(out, key);
    return out;
}

} // namespace

Bytes aesEcbEncrypt(ByteView key, ByteView data)
{
    return run(aes128Ecb(), key, {}, data, true);
}

Bytes tdesEcbEncrypt(ByteView key, ByteView data)
{
    return run(tdesEcb(), expandTwoKey(key), {}, data, true);
}

Bytes aesCbc(ByteView key, ByteView iv, ByteView data, bool encrypt)
{
    return run(aes128Cbc(), key, iv, data, encrypt);
}

Bytes tdesCbc(ByteView key, ByteView iv, ByteView data, bool encrypt)
{
    return run(tdesCbcCipher(), expandTwoKey(key), iv, data, encrypt);
}

Bytes desCbcEncrypt(ByteView key, ByteView iv, ByteView data)
{
    return run(tdesCbcCipher(), singleAsTriple(key), iv, data, true);
}

Bytes aesMac(ByteView key, ByteView iv, ByteView data)
{
    if (data.empty()) {
        throw TokenError::secureMessagingFailed();
    }
    const Bytes encrypted = aesCbc(key, iv, data, true);
    const auto last = encrypted.end() - static_cast<long>(kAesBlock);
    return Bytes(last, last + 8);
}

Bytes retailMac(ByteView key, ByteView iv, ByteView data)
{
    requireLength(key, 16);
    if (data.empty()) {
        throw TokenError::secureMessagingFailed();
    }
    const ByteView k1 = key.first(8);
    const ByteView k2 = key.subspan(8);
    const Bytes chained = desCbcEncrypt(k1, iv, data);
    const ByteView lastBlock = ByteView(chained).last(kDesBlock);
    const Bytes zeroIv(kDesBlock, 0);
    const Bytes decrypted = run(tdesCbcCipher(), singleAsTriple(k2), zeroIv, lastBlock, false);
    return desCbcEncrypt(k1, zeroIv, decrypted);
}

Bytes pad(ByteView data, std::size_t blockSize)
{
    Bytes out;
    out.reserve((data.size() / blockSize + 1) * blockSize);
    append(out, data);
    out.push_back(0x80);
    while (out.size() % blockSize != 0) {
        out.push_back(0x00);
    }
    return out;
}

Bytes unpad(ByteView data)
{
    for (std::size_t i = data.size(); i-- > 0;) {
        if (data[i] == 0x80) {
            return toBytes(data.first(i));
        }
        if (data[i] != 0x00) {
            break;
        }
    }
    return toBytes(data);
}

void incrementBigEndian(std::span<std::uint8_t> number) noexcept
{
    for (std::size_t i = number.size(); i-- > 0;) {
        if (++number[i] != 0) {
            return;
        }
    }
}

} // namespace orvela::tokenkit::crypto
