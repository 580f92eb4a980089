#include "orvela/tokenkit/CSR.h"

#include <gtest/gtest.h>
#include <memory>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdexcept>
#include <vector>

namespace {

using namespace orvela::tokenkit;

using PKeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using ReqPtr = std::unique_ptr<X509_REQ, decltype(&X509_REQ_free)>;

/// A software P-256 key standing in for the token.
class SoftwareKey {
public:
    SoftwareKey() : m_key(EVP_EC_gen("P-256"), &EVP_PKEY_free) {}

    Bytes point() const
    {
        unsigned char* raw = nullptr;
        const std::size_t size = EVP_PKEY_get1_encoded_public_key(m_key.get(), &raw);
        Bytes out(raw, raw + size);
        OPENSSL_free(raw);
        return out;
    }

    /// DER ECDSA-Sig-Value over a digest.
    Bytes signDER(ByteView digest) const
    {
        std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(
            EVP_PKEY_CTX_new(m_key.get(), nullptr), &EVP_PKEY_CTX_free);
        std::size_t size = 0;
        if (EVP_PKEY_sign_init(ctx.get()) != 1 ||
            EVP_PKEY_sign(ctx.get(), nullptr, &size, digest.data(), digest.size()) != 1) {
            throw std::runtime_error("sign init");
        }
        Bytes sig(size);
        if (EVP_PKEY_sign(ctx.get(), sig.data(), &size, digest.data(), digest.size()) != 1) {
            throw std::runtime_error("sign");
        }
        sig.resize(size);
        return sig;
    }

    /// Raw r||s, 32 bytes each, as a token returns it.
    Bytes signRaw(ByteView digest) const
    {
        const Bytes der = signDER(digest);
        const unsigned char* p = der.data();
        ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size()));
        Bytes rs(64);
        BN_bn2binpad(ECDSA_SIG_get0_r(sig), rs.data(), 32);
        BN_bn2binpad(ECDSA_SIG_get0_s(sig), rs.data() + 32, 32);
        ECDSA_SIG_free(sig);
        return rs;
    }

private:
    PKeyPtr m_key;
};

ReqPtr parse(const Bytes& der)
{
    const unsigned char* p = der.data();
    return ReqPtr(d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size())), &X509_REQ_free);
}

bool verifies(const Bytes& der)
{
    ReqPtr req = parse(der);
    if (!req) {
        return false;
    }
    EVP_PKEY* key = X509_REQ_get0_pubkey(req.get());
    return key != nullptr && X509_REQ_verify(req.get(), key) == 1;
}

struct NameEntry {
    int nid;
    std::string value;
    bool operator==(const NameEntry&) const = default;
};

std::vector<NameEntry> subjectOf(const Bytes& der)
{
    ReqPtr req = parse(der);
    std::vector<NameEntry> entries;
    const X509_NAME* name = X509_REQ_get_subject_name(req.get());
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        const ASN1_STRING* data = X509_NAME_ENTRY_get_data(entry);
        entries.push_back({OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry)),
                           std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                                       static_cast<std::size_t>(ASN1_STRING_length(data)))});
    }
    return entries;
}

TEST(CSR, RawSignatureRequestVerifiesWithOpenSSL)
{
    SoftwareKey key;
    CSR::Subject subject;
    subject.commonName = "AB12345678";
    subject.organization = "AB12345678";
    subject.country = "MN";
    Bytes seenDigest;
    const auto request = CSR::buildP256(subject, key.point(), [&](ByteView digest) {
        seenDigest = toBytes(digest);
        return key.signRaw(digest);
    });
    EXPECT_EQ(seenDigest.size(), 32u);
    EXPECT_TRUE(verifies(request.der));

    // The PEM form is the same request.
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(request.pem.data(), static_cast<int>(request.pem.size())), &BIO_free);
    ReqPtr fromPem(PEM_read_bio_X509_REQ(bio.get(), nullptr, nullptr, nullptr), &X509_REQ_free);
    ASSERT_TRUE(fromPem);
    unsigned char* reencoded = nullptr;
    const int length = i2d_X509_REQ(fromPem.get(), &reencoded);
    EXPECT_EQ(Bytes(reencoded, reencoded + length), request.der);
    OPENSSL_free(reencoded);
}

TEST(CSR, DerSignatureIsEmbeddedUnchangedAndVerifies)
{
    SoftwareKey key;
    Bytes signature;
    const auto request = CSR::buildP256({"X", {}, {}, {}}, key.point(), [&](ByteView digest) {
        signature = key.signDER(digest);
        return signature;
    });
    EXPECT_TRUE(verifies(request.der));
    // The signature closes the request as BIT STRING 00 || signature.
    ASSERT_GT(request.der.size(), signature.size());
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(),
                           request.der.end() - static_cast<long>(signature.size())));
    EXPECT_EQ(*(request.der.end() - static_cast<long>(signature.size()) - 1), 0x00);
}

TEST(CSR, SeventyByteSignatureIsNotReencoded)
{
    SoftwareKey key;
    Bytes seventy(70, 0x5A);
    const auto request =
        CSR::buildP256({"X", {}, {}, {}}, key.point(), [&](ByteView) { return seventy; });
    const Bytes tail(request.der.end() - 73, request.der.end());
    EXPECT_EQ(bytesToHex(tail), "034700" + bytesToHex(seventy));
}

TEST(CSR, SubjectIsOrderedCountryOrganizationCommonNameEmail)
{
    SoftwareKey key;
    CSR::Subject subject;
    subject.email = "citizen@example.mn";
    subject.commonName = "AB12345678";
    subject.country = "MN";
    subject.organization = "Orvela";
    const auto request =
        CSR::buildP256(subject, key.point(), [&](ByteView digest) { return key.signRaw(digest); });
    ASSERT_TRUE(verifies(request.der));
    const std::vector<NameEntry> expected{{NID_countryName, "MN"},
                                          {NID_organizationName, "Orvela"},
                                          {NID_commonName, "AB12345678"},
                                          {NID_pkcs9_emailAddress, "citizen@example.mn"}};
    EXPECT_EQ(subjectOf(request.der), expected);
}

TEST(CSR, InvalidPointsFailBeforeTheSignerRuns)
{
    Bytes valid(65, 0x01);
    valid[0] = 0x04;
    std::vector<Bytes> invalid{Bytes(64, 0x04), valid, valid, valid, Bytes{}};
    invalid[1][0] = 0x02;
    invalid[2][0] = 0x03;
    invalid[3][0] = 0x00;
    for (const Bytes& point : invalid) {
        bool called = false;
        try {
            CSR::buildP256({"X", {}, {}, {}}, point, [&](ByteView) {
                called = true;
                return Bytes(64, 1);
            });
            ADD_FAILURE() << "accepted " << bytesToHex(point).substr(0, 4);
        } catch (const CSRError& e) {
            EXPECT_EQ(e.code(), CSRError::Code::invalidPublicKey);
            EXPECT_EQ(e.errorDescription(),
                      "Public key буруу (P-256 uncompressed 65 байт байх ёстой).");
        }
        EXPECT_FALSE(called);
    }
}

TEST(CSR, SignerErrorsPassUnchanged)
{
    Bytes point(65, 0x01);
    point[0] = 0x04;
    try {
        CSR::buildP256({"X", {}, {}, {}}, point,
                       [](ByteView) -> Bytes { throw CSRError::signerFailed("card gone"); });
        ADD_FAILURE() << "signer error swallowed";
    } catch (const CSRError& e) {
        EXPECT_EQ(e.code(), CSRError::Code::signerFailed);
        EXPECT_EQ(e.errorDescription(), "Signer алдаа: card gone");
    }
    EXPECT_THROW(CSR::buildP256({"X", {}, {}, {}}, point,
                                [](ByteView) -> Bytes { throw std::logic_error("other"); }),
                 std::logic_error);
}

TEST(CSR, RawToDerSignaturePadding)
{
    Bytes rs(64, 0x11);
    rs[0] = 0x80;  // r needs a sign byte
    rs[32] = 0x00; // s has a redundant leading zero
    rs[33] = 0x7F;
    const std::string der = bytesToHex(CSR::encodeECDSASigDER(rs));
    EXPECT_EQ(der.substr(0, 14), "304402210080"
                                 "11");
    EXPECT_EQ(der.substr(4 + 70, 6), "021F7F");
    EXPECT_EQ(der.size(), 2u * (2 + 35 + 33));

    EXPECT_EQ(bytesToHex(CSR::encodeECDSASigDER(hexToBytes("0000"))), "3006020100020100");
    EXPECT_EQ(bytesToHex(CSR::encodeECDSASigDER(Bytes{})), "300402000200");
}

} // namespace
