#include "orvela/tokenkit/CSR.h"

#include "orvela/tokenkit/Der.h"

#include <gtest/gtest.h>
#include <memory>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <stdexcept>
#include <vector>

namespace {

using namespace orvela::tokenkit;

using ReqPtr = std::unique_ptr<X509_REQ, decltype(&X509_REQ_free)>;

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

Bytes pointOf(EVP_PKEY* key)
{
    unsigned char* raw = nullptr;
    const std::size_t size = EVP_PKEY_get1_encoded_public_key(key, &raw);
    Bytes out(raw, raw + size);
    OPENSSL_free(raw);
    return out;
}

/// DER ECDSA-Sig-Value over a digest.
Bytes signDER(EVP_PKEY* key, ByteView digest)
{
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new(key, nullptr),
                                                                    &EVP_PKEY_CTX_free);
    Bytes sig(80);
    std::size_t size = sig.size();
    EXPECT_EQ(EVP_PKEY_sign_init(ctx.get()), 1);
    EXPECT_EQ(EVP_PKEY_sign(ctx.get(), sig.data(), &size, digest.data(), digest.size()), 1);
    sig.resize(size);
    return sig;
}

/// Raw r||s, 32 bytes each, as a token returns it.
Bytes rawOf(const Bytes& der)
{
    const unsigned char* p = der.data();
    ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size()));
    Bytes rs(64);
    BN_bn2binpad(ECDSA_SIG_get0_r(sig), rs.data(), 32);
    BN_bn2binpad(ECDSA_SIG_get0_s(sig), rs.data() + 32, 32);
    ECDSA_SIG_free(sig);
    return rs;
}

bool verifies(const Bytes& der)
{
    const unsigned char* p = der.data();
    ReqPtr req(d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size())), &X509_REQ_free);
    return req && X509_REQ_verify(req.get(), X509_REQ_get0_pubkey(req.get())) == 1;
}

TEST(Der, EncodingsAreTheShortestAndExact)
{
    Bytes point(65, 0x11);
    point[0] = 0x04;
    const std::vector<std::pair<Bytes, std::string>> cases{
        {der::encodeLength(0), "00"},
        {der::encodeLength(127), "7F"},
        {der::encodeLength(128), "8180"},
        {der::encodeLength(255), "81FF"},
        {der::encodeLength(256), "820100"},
        {der::encodeLength(65535), "82FFFF"},
        {der::encodeLength(65536), "83010000"},
        {der::encodeLength(0xFFFFFF), "83FFFFFF"},
        {der::encodeInteger(hexToBytes("80")), "02020080"},
        {der::encodeInteger(hexToBytes("007F")), "02017F"},
        {der::encodeInteger(hexToBytes("000080")), "02020080"},
        {der::encodeInteger(hexToBytes("00")), "020100"},
        {der::encodeInteger(hexToBytes("0000")), "020100"},
        {der::encodeInteger(Bytes{}), "0200"},
        {der::encodeInteger(hexToBytes("0102")), "02020102"},
        {der::encodeBitString(hexToBytes("ABCD")), "030300ABCD"},
        {der::encodeBitString(Bytes{}), "030100"},
        // Country PrintableString, then organization, common name, e-mail IA5String.
        {CSR::encodeName({"a", "o", "MN", "e@x"}),
         "3039310B3009060355040613024D4E310A3008060355040A0C016F310A300806035504030C0161"
         "3112301006092A864886F70D0109011603654078"},
        // A field that is present but empty keeps its component.
        {CSR::encodeName({"", {}, "", {}}), "30163109300706035504061300310930070603550403"
                                            "0C00"},
        {CSR::encodeSubjectPublicKeyInfo(point),
         "3059301306072A8648CE3D020106082A8648CE3D030107034200" + bytesToHex(point)},
        // Version 0, then the name, the key and an empty attribute set: 119 bytes of content.
        {CSR::encodeCertificationRequestInfo({"AB12345678", {}, {}, {}}, point),
         "3077020100" + bytesToHex(CSR::encodeName({"AB12345678", {}, {}, {}})) +
             bytesToHex(CSR::encodeSubjectPublicKeyInfo(point)) + "A000"},
    };
    for (const auto& [encoded, expected] : cases) {
        EXPECT_EQ(bytesToHex(encoded), expected);
    }
    EXPECT_THROW(der::encodeLength(0x1000000), std::length_error);
}

TEST(Der, PemCutsLinesAtSixtyFourCharacters)
{
    const std::string q6ur = "q6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6ur";
    EXPECT_EQ(der::encodePEM(Bytes(48, 0xAB), "X"),
              "-----BEGIN X-----\n" + q6ur + "\n-----END X-----\n");
    EXPECT_EQ(der::encodePEM(Bytes(49, 0xAB), "CERTIFICATE REQUEST"),
              "-----BEGIN CERTIFICATE REQUEST-----\n" + q6ur +
                  "\nqw==\n-----END CERTIFICATE REQUEST-----\n");
    EXPECT_EQ(der::encodePEM(Bytes{}, "X"), "-----BEGIN X-----\n-----END X-----\n");
}

TEST(CSR, TheTokensSignatureClosesAVerifiableRequestWhateverItsForm)
{
    // A software P-256 key stands in for the token.
    const KeyPtr key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    struct Case {
        const char* name;
        std::function<Bytes(ByteView)> sign;
        bool verifies;
        bool embeddedUnchanged;
    };
    const std::vector<Case> cases{
        {"raw r||s", [&](ByteView d) { return rawOf(signDER(key.get(), d)); }, true, false},
        {"DER", [&](ByteView d) { return signDER(key.get(), d); }, true, true},
        // Not raw: passed on as it is, for the server to judge.
        {"70 bytes", [](ByteView) { return Bytes(70, 0x5A); }, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes signature;
        const auto request =
            CSR::buildP256({"AB12345678", {}, {}, {}}, pointOf(key.get()), [&](ByteView digest) {
                EXPECT_EQ(digest.size(), 32u);
                return signature = c.sign(digest);
            });
        EXPECT_EQ(verifies(request.der), c.verifies);
        // The signature closes the request as BIT STRING 00 || signature.
        const Bytes tail(request.der.end() - static_cast<long>(signature.size()) - 1,
                         request.der.end());
        Bytes closing{0x00};
        closing.insert(closing.end(), signature.begin(), signature.end());
        EXPECT_EQ(tail == closing, c.embeddedUnchanged);
    }
}

TEST(CSR, InvalidPointsFailBeforeTheSignerRunsAndSignerErrorsPassUnchanged)
{
    const std::string x = std::string(128, '1');
    for (const std::string& hex :
         {"04" + x.substr(2), "02" + x, "03" + x, "00" + x, std::string()}) {
        const Bytes point = hexToBytes(hex);
        bool called = false;
        try {
            CSR::buildP256({"X", {}, {}, {}}, point, [&](ByteView) {
                called = true;
                return Bytes(64, 1);
            });
            ADD_FAILURE() << "accepted " << bytesToHex(point).substr(0, 4);
        } catch (const CSRError& e) {
            EXPECT_EQ(e.code(), CSRError::Code::invalidPublicKey);
        }
        EXPECT_FALSE(called);
    }
    // A well-formed point reaches the signer, whose failure (a pulled card) passes unchanged.
    const auto pulled = [](ByteView) -> Bytes { throw std::logic_error("card gone"); };
    EXPECT_THROW(CSR::buildP256({"X", {}, {}, {}}, hexToBytes("04" + x), pulled), std::logic_error);
}

} // namespace
