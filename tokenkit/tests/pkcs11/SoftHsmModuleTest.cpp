// The token operations against a real Cryptoki library: SoftHSM2 with a private token directory.

#include "SoftHsmToken.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <p11-kit/pkcs11.h>

namespace {

using namespace orvela::tokenkit;
using orvela::testing::kSoftHsmLibrary;
using orvela::testing::SoftHsmToken;
using ::testing::UnorderedElementsAre;
using Info = PKCS11Module::TokenObjectInfo;

constexpr const char* kSO = "12345678";
constexpr const char* kUser = "123456";

class SoftHsmModule : public ::testing::Test {
protected:
    static std::unique_ptr<PKCS11Module> open()
    {
        return PKCS11Module::open(std::string(kSoftHsmLibrary));
    }

    void provision() { open()->fullProvision(kSO, kUser, "Orvela", "orvela-sign", Bytes{0x01}); }

    /// Runs a read-only logged-in session with the thin wrappers.
    template <class F> static void inSession(F&& f)
    {
        auto module = open();
        module->initialize();
        const auto session = module->openSession(module->getSlotList(true).front(), false);
        module->login(session, kUser, PKCS11Module::kUserNormal);
        f(*module, session);
        module->logout(session);
        module->closeSession(session);
        module->finalize();
    }

    static Bytes pointOf(const std::optional<std::string>& label)
    {
        Bytes point;
        inSession([&](PKCS11Module& m, unsigned long session) {
            point = m.readECPoint(session, m.findPublicKey(session, label).value());
        });
        return point;
    }

    static P11Error errorOf(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const P11Error& e) {
            return e;
        }
        throw std::logic_error("no P11Error raised");
    }

    SoftHsmToken m_token;
};

/// Verifies a raw r||s signature over a digest with a P-256 point.
bool verifiesRaw(ByteView point, ByteView digest, ByteView rs)
{
    if (rs.size() != 64) {
        return false;
    }
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME,
                                         const_cast<char*>("prime256v1"), 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY,
                                          const_cast<std::uint8_t*>(point.data()), point.size()),
        OSSL_PARAM_construct_end()};
    EVP_PKEY_CTX* fromData = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* key = nullptr;
    EVP_PKEY_fromdata_init(fromData);
    EVP_PKEY_fromdata(fromData, &key, EVP_PKEY_PUBLIC_KEY, params);
    EVP_PKEY_CTX_free(fromData);

    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(rs.data(), 32, nullptr), BN_bin2bn(rs.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig, &der);
    ECDSA_SIG_free(sig);

    EVP_PKEY_CTX* verify = EVP_PKEY_CTX_new(key, nullptr);
    const bool ok = key != nullptr && EVP_PKEY_verify_init(verify) == 1 &&
                    EVP_PKEY_verify(verify, der, static_cast<std::size_t>(derLength), digest.data(),
                                    digest.size()) == 1;
    EVP_PKEY_CTX_free(verify);
    EVP_PKEY_free(key);
    OPENSSL_free(der);
    return ok;
}

struct RequestCheck {
    bool verifies = false;
    std::vector<std::pair<int, std::string>> subject;
};

RequestCheck checkRequest(const Bytes& der)
{
    RequestCheck check;
    const unsigned char* p = der.data();
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size()));
    if (req == nullptr) {
        return check;
    }
    check.verifies = X509_REQ_verify(req, X509_REQ_get0_pubkey(req)) == 1;
    const X509_NAME* name = X509_REQ_get_subject_name(req);
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        const ASN1_STRING* data = X509_NAME_ENTRY_get_data(entry);
        check.subject.emplace_back(
            OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry)),
            std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                        static_cast<std::size_t>(ASN1_STRING_length(data))));
    }
    X509_REQ_free(req);
    return check;
}

TEST_F(SoftHsmModule, ProvisionedTokenHoldsTheSigningKeyPair)
{
    provision();
    EXPECT_THAT(open()->listObjects(kUser),
                UnorderedElementsAre(Info{"01", "orvela-sign", "privateKey", "EC"},
                                     Info{"01", "orvela-sign", "publicKey", "EC"}));
}

TEST_F(SoftHsmModule, ProvisioningAgainErasesTheToken)
{
    provision();
    open()->generateSigningKey(kUser, "second", Bytes{0x02});
    EXPECT_EQ(open()->listObjects(kUser).size(), 4u);
    provision();
    EXPECT_EQ(open()->listObjects(kUser).size(), 2u);
}

TEST_F(SoftHsmModule, SignaturesVerifyAgainstTheTokenPoint)
{
    provision();
    const Bytes point = pointOf(std::nullopt);
    ASSERT_EQ(point.size(), 65u);
    ASSERT_EQ(point[0], 0x04);
    const Bytes digest = sha256(toBytes(std::string_view("document")));

    const Bytes withLabel = open()->signECDSA(kUser, std::string("orvela-sign"), digest);
    const Bytes withoutLabel = open()->signECDSA(kUser, std::nullopt, digest);
    EXPECT_TRUE(verifiesRaw(point, digest, withLabel));
    EXPECT_TRUE(verifiesRaw(point, digest, withoutLabel));
    EXPECT_FALSE(verifiesRaw(point, sha256(toBytes(std::string_view("other"))), withLabel));

    EXPECT_EQ(
        errorOf([&] { open()->signECDSA(kUser, std::string("nope"), digest); }).errorDescription(),
        "findPrivateKey (not found) амжилтгүй: CKR=0x00000000");
}

TEST_F(SoftHsmModule, WrongPinSurfacesAsTheLoginErrorWithTheLibraryCode)
{
    provision();
    const auto error = errorOf([&] { open()->listObjects("000000"); });
    EXPECT_EQ(error.errorDescription(), "C_Login амжилтгүй: CKR=0x000000A0");
    EXPECT_EQ(error.rv(), CKR_PIN_INCORRECT);
}

TEST_F(SoftHsmModule, ChangingPins)
{
    provision();
    open()->changeUserPIN(kUser, "654321");
    EXPECT_EQ(errorOf([&] { open()->listObjects(kUser); }).rv(), CKR_PIN_INCORRECT);
    EXPECT_EQ(open()->listObjects("654321").size(), 2u);

    open()->changeSOPIN(kSO, "87654321");
    EXPECT_EQ(errorOf([&] { open()->unlockUserPIN(kSO, "111111"); }).errorDescription(),
              "C_Login амжилтгүй: CKR=0x000000A0");
    open()->unlockUserPIN("87654321", "111111");
    EXPECT_EQ(errorOf([&] { open()->listObjects("654321"); }).rv(), CKR_PIN_INCORRECT);
    EXPECT_EQ(open()->listObjects("111111").size(), 2u);
}

TEST_F(SoftHsmModule, CertificatesAreImportedAndObjectsDeletedByKindAndId)
{
    provision();
    const Bytes certificate = hexToBytes("3003020101");
    open()->importCertificate(kUser, "eid-cert", certificate, Bytes{0x01});
    EXPECT_THAT(open()->listObjects(kUser),
                ::testing::Contains(Info{"01", "eid-cert", "certificate", ""}));

    open()->deleteObject(kUser, "01", "publicKey");
    EXPECT_THAT(open()->listObjects(kUser),
                UnorderedElementsAre(Info{"01", "orvela-sign", "privateKey", "EC"},
                                     Info{"01", "eid-cert", "certificate", ""}));
    open()->deleteObject(kUser, "01", "certificate");
    const auto error = errorOf([&] { open()->deleteObject(kUser, "01", "certificate"); });
    EXPECT_EQ(error.errorDescription(), "object_not_found амжилтгүй: CKR=0x00000000");
    EXPECT_EQ(open()->listObjects(kUser).size(), 1u);
}

TEST_F(SoftHsmModule, DeletingAKindThatOnlyExistsUnderAnotherIdFails)
{
    provision();
    open()->importCertificate(kUser, "eid-cert", hexToBytes("3003020101"), Bytes{0x07});
    EXPECT_EQ(errorOf([&] { open()->deleteObject(kUser, "07", "privateKey"); }).subject(),
              "object_not_found");
    EXPECT_EQ(open()->listObjects(kUser).size(), 3u);
}

TEST_F(SoftHsmModule, RequestVerifiesWithCountryOrganizationCommonName)
{
    provision();
    CSR::Subject subject;
    subject.commonName = "AB12345678";
    subject.organization = "AB12345678";
    subject.country = "MN";
    const auto request = open()->generateCSR(kUser, std::string("orvela-sign"), subject);
    const auto check = checkRequest(request.der);
    EXPECT_TRUE(check.verifies);
    const std::vector<std::pair<int, std::string>> expected{{NID_countryName, "MN"},
                                                            {NID_organizationName, "AB12345678"},
                                                            {NID_commonName, "AB12345678"}};
    EXPECT_EQ(check.subject, expected);
    EXPECT_EQ(request.pem.rfind("-----BEGIN CERTIFICATE REQUEST-----\n", 0), 0u);
}

TEST_F(SoftHsmModule, RequestWithoutLabelUsesAMatchingPairWhenSeveralExist)
{
    provision();
    // A second pair under another ID: the first public and first private key found need not
    // belong together.
    open()->generateSigningKey(kUser, "second", Bytes{0x02});
    EXPECT_TRUE(
        checkRequest(open()->generateCSR(kUser, std::nullopt, {"X", {}, {}, {}}).der).verifies);
    // Now a private key without its public half, and a third pair.
    open()->deleteObject(kUser, "01", "publicKey");
    open()->generateSigningKey(kUser, "third", Bytes{0x03});
    EXPECT_TRUE(
        checkRequest(open()->generateCSR(kUser, std::nullopt, {"X", {}, {}, {}}).der).verifies);
}

} // namespace
