// The token operations against a real Cryptoki library: SoftHSM2 with a private token directory.

#include "SoftHsmToken.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
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

bool verifies(const Bytes& der)
{
    const unsigned char* p = der.data();
    X509_REQ* req = d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size()));
    const bool ok = req != nullptr && X509_REQ_verify(req, X509_REQ_get0_pubkey(req)) == 1;
    X509_REQ_free(req);
    return ok;
}

TEST_F(SoftHsmModule, SignaturesVerifyAgainstTheTokenPointAndThePrivateKeyStaysInside)
{
    provision();
    auto module = open();
    module->initialize();
    const auto session = module->openSession(module->getSlotList(true).front(), false);
    module->login(session, kUser, PKCS11Module::kUserNormal);
    const Bytes point =
        module->readECPoint(session, module->findPublicKey(session, std::nullopt).value());
    const auto key = module->findPrivateKey(session, std::nullopt);
    ASSERT_TRUE(key.has_value());
    // Marked so on the token, the key can never be read out, whatever else is set later.
    EXPECT_EQ(module->readAttribute(session, *key, CKA_SENSITIVE), Bytes{CK_TRUE});
    EXPECT_EQ(module->readAttribute(session, *key, CKA_VALUE), std::nullopt);
    module->logout(session);
    module->closeSession(session);
    module->finalize();
    const auto requestSignedWith = [&](const std::optional<std::string>& label, bool sameData) {
        return CSR::buildP256({"X", {}, {}, {}}, point, [&](ByteView digest) {
            return open()->signECDSA(kUser, label, sameData ? toBytes(digest) : Bytes(32, 7));
        });
    };
    EXPECT_TRUE(verifies(requestSignedWith(std::string("orvela-sign"), true).der));
    EXPECT_TRUE(verifies(requestSignedWith(std::nullopt, true).der));
    EXPECT_FALSE(verifies(requestSignedWith(std::nullopt, false).der));
}

TEST_F(SoftHsmModule, SoPinUnlocksAndProvisioningAgainErasesTheToken)
{
    provision();
    open()->generateSigningKey(kUser, "second", Bytes{0x02});
    // The user PIN's own change is driven end to end by the command-line tool's tests.
    open()->changeSOPIN(kSO, "87654321");
    EXPECT_EQ(errorOf([&] { open()->unlockUserPIN(kSO, "111111"); }).rv(), CKR_PIN_INCORRECT);
    open()->unlockUserPIN("87654321", "111111");
    const auto oldPin = errorOf([&] { open()->listObjects(kUser); });
    EXPECT_EQ(oldPin.subject(), "C_Login");
    EXPECT_EQ(oldPin.rv(), CKR_PIN_INCORRECT);
    EXPECT_EQ(open()->listObjects("111111").size(), 4u);

    open()->fullProvision("87654321", kUser, "Orvela", "orvela-sign", Bytes{0x01});
    EXPECT_THAT(open()->listObjects(kUser),
                UnorderedElementsAre(Info{"01", "orvela-sign", "privateKey", "EC"},
                                     Info{"01", "orvela-sign", "publicKey", "EC"}));
}

} // namespace
