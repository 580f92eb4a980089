// The PKCS#11 road of the token logic against real Cryptoki libraries: SoftHSM2 with a private
// token directory, and the kit's scripted library where SoftHSM2 cannot show a case.

#include "SoftHsmToken.h"
#include "TestCertificate.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "tokens/CertificateImport.h"
#include "tokens/TokenProvisioner.h"

#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <openssl/x509.h>
#include <p11-kit/pkcs11.h>

namespace {

using namespace orvela::tokenkit;
using orvela::testing::kSoftHsmLibrary;
using orvela::tokens::TokenObjectInfo;
using orvela::tokens::TokenProvisioner;

constexpr const char* kSoPin = "12345678";
constexpr const char* kUserPin = "123456";

ByteView bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const std::uint8_t*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

/// Kind, label, ID and key type of every listed object, in the order listed.
std::vector<std::string> describe(const std::vector<TokenObjectInfo>& objects)
{
    std::vector<std::string> rows;
    for (const auto& object : objects) {
        rows.push_back(object.kind + " " + object.label + " " + object.idHex + " " +
                       object.keyType);
    }
    return rows;
}

class TokenProvisionerPkcs11 : public ::testing::Test {
protected:
    void SetUp() override { provisioner.fullProvision(kSoPin, kUserPin); }

    /// Runs `work` in a logged-in read-only session of a module of its own.
    template <class Work> static void inSession(Work&& work)
    {
        auto module = PKCS11Module::open(std::string(kSoftHsmLibrary));
        module->initialize();
        const auto session = module->openSession(module->getSlotList(true).front(), false);
        module->login(session, kUserPin, PKCS11Module::kUserNormal);
        work(*module, session);
        module->logout(session);
        module->closeSession(session);
        module->finalize();
    }

    static Bytes storedCertificate()
    {
        Bytes value;
        inSession([&](PKCS11Module& module, unsigned long session) {
            Bytes classValue(sizeof(CK_ULONG));
            const CK_ULONG certificateClass = CKO_CERTIFICATE;
            std::memcpy(classValue.data(), &certificateClass, sizeof certificateClass);
            const auto handles = module.findObjects(session, {{CKA_CLASS, classValue}}, 4);
            if (handles.size() == 1) {
                value = module.readAttribute(session, handles.front(), CKA_VALUE).value_or(Bytes{});
            }
        });
        return value;
    }

    static Bytes tokenPoint()
    {
        Bytes point;
        inSession([&](PKCS11Module& module, unsigned long session) {
            point =
                module.readECPoint(session, module.findPublicKey(session, std::nullopt).value());
        });
        return point;
    }

    static P11Error p11ErrorOf(const std::function<void()>& work)
    {
        try {
            work();
        } catch (const P11Error& error) {
            return error;
        }
        throw std::logic_error("no P11Error raised");
    }

    orvela::testing::SoftHsmToken token;
    TokenProvisioner provisioner{{0, std::string(kSoftHsmLibrary)}};
};

TEST_F(TokenProvisionerPkcs11, ProvisionedTokenListsItsSigningKeyPair)
{
    const std::vector<std::string> expected{"privateKey orvela-sign 01 EC",
                                            "publicKey orvela-sign 01 EC"};
    auto listed = describe(provisioner.listObjects(kUserPin));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
}

TEST_F(TokenProvisionerPkcs11, WrongSoPinOnUnlockIsTheLoginErrorAndChangesNothing)
{
    const P11Error error = p11ErrorOf([&] { provisioner.unlockUserPin("87654321", "999999"); });
    EXPECT_EQ(error.errorDescription(), "C_Login амжилтгүй: CKR=0x000000A0");
    EXPECT_EQ(provisioner.listObjects(kUserPin).size(), 2u);
    EXPECT_EQ(p11ErrorOf([&] { provisioner.listObjects("999999"); }).rv(), CKR_PIN_INCORRECT);

    // With the right SO PIN the new user PIN takes over: the arguments are not swapped.
    provisioner.unlockUserPin(kSoPin, "999999");
    EXPECT_EQ(provisioner.listObjects("999999").size(), 2u);
}

TEST_F(TokenProvisionerPkcs11, DeletingThePublicKeyKeepsThePrivateKey)
{
    provisioner.deleteObject(kUserPin, "01", "publicKey");
    EXPECT_EQ(describe(provisioner.listObjects(kUserPin)),
              std::vector<std::string>{"privateKey orvela-sign 01 EC"});
}

TEST_F(TokenProvisionerPkcs11, DerAndPemImportsStoreTheSameBytes)
{
    const QByteArray der = orvela::testing::makeCertificateDER();
    for (const QByteArray& file : {der, orvela::testing::toPem(der, "\r\n")}) {
        const auto value = orvela::tokens::certificateToImport(file);
        ASSERT_TRUE(value.has_value());
        provisioner.importCertificate(kUserPin, bytesOf(*value));
        EXPECT_EQ(storedCertificate(), Bytes(der.begin(), der.end()));
        auto listed = describe(provisioner.listObjects(kUserPin));
        EXPECT_EQ(std::count(listed.begin(), listed.end(), "certificate eid-cert 01 "), 1);
        provisioner.deleteObject(kUserPin, "01", "certificate");
    }
}

TEST_F(TokenProvisionerPkcs11, RequestAndSignatureWithoutKeyLabelUseTheTokensKey)
{
    const auto request = provisioner.generateCsr(kUserPin, std::nullopt, "AB12345678");
    const unsigned char* cursor = request.der.data();
    X509_REQ* parsed = d2i_X509_REQ(nullptr, &cursor, static_cast<long>(request.der.size()));
    ASSERT_NE(parsed, nullptr);
    EVP_PKEY* requestKey = X509_REQ_get0_pubkey(parsed);
    EXPECT_EQ(X509_REQ_verify(parsed, requestKey), 1);
    char subject[256] = {};
    X509_NAME_oneline(X509_REQ_get_subject_name(parsed), subject, sizeof subject);
    EXPECT_STREQ(subject, "/C=MN/O=AB12345678/CN=AB12345678");
    unsigned char* point = nullptr;
    const std::size_t pointSize = EVP_PKEY_get1_encoded_public_key(requestKey, &point);
    EXPECT_EQ(Bytes(point, point + pointSize), tokenPoint());
    OPENSSL_free(point);

    // The signature of the same key verifies with the request's public key.
    const Bytes hash = sha256(toBytes(std::string_view("document")));
    const Bytes rs = provisioner.signPkcs11(kUserPin, std::nullopt, hash);
    ASSERT_EQ(rs.size(), 64u);
    ECDSA_SIG* signature = ECDSA_SIG_new();
    ECDSA_SIG_set0(signature, BN_bin2bn(rs.data(), 32, nullptr),
                   BN_bin2bn(rs.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(signature, &der);
    ECDSA_SIG_free(signature);
    const auto verifies = [&](const Bytes& digest) {
        EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(requestKey, nullptr);
        const bool ok = EVP_PKEY_verify_init(context) == 1 &&
                        EVP_PKEY_verify(context, der, static_cast<std::size_t>(derSize),
                                        digest.data(), digest.size()) == 1;
        EVP_PKEY_CTX_free(context);
        return ok;
    };
    EXPECT_TRUE(verifies(hash));
    EXPECT_FALSE(verifies(sha256(toBytes(std::string_view("other")))));
    OPENSSL_free(der);
    X509_REQ_free(parsed);
}

TEST(TokenProvisionerSlots, CountsOnlySlotsHoldingAToken)
{
    // SoftHSM2 always offers one slot with a token, initialised or not; the scripted library
    // shows a library without any.
    QTemporaryDir dir;
    const std::string script = dir.filePath(QStringLiteral("script")).toStdString();
    std::ofstream(script) << "slots 0\n";
    ::setenv("ORVELA_P11_STUB_SCRIPT", script.c_str(), 1);
    orvela::testing::SoftHsmToken uninitialised;
    struct Case {
        const char* library;
        std::size_t expected;
    };
    for (const Case& c : {Case{kSoftHsmLibrary, 1}, Case{ORVELA_P11_STUB_FULL, 0}}) {
        EXPECT_EQ(TokenProvisioner({0, std::string(c.library)}).slotCount(), c.expected)
            << c.library;
    }
    ::unsetenv("ORVELA_P11_STUB_SCRIPT");
}

} // namespace
