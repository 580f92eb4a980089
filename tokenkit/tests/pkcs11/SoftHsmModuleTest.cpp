// The token operations against a real Cryptoki library: SoftHSM2 with a private token directory.

#include "SoftHsmToken.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <p11-kit/pkcs11.h>

namespace {

using namespace orvela::tokenkit;
using orvela::testing::kSoftHsmLibrary;
using orvela::testing::SoftHsmToken;
using ::testing::UnorderedElementsAre;
using Info = PKCS11Module::TokenObjectInfo;

constexpr const char* kSO = "12345678";
constexpr const char* kUser = "123456";

std::unique_ptr<PKCS11Module> open()
{
    return PKCS11Module::open(std::string(kSoftHsmLibrary));
}

P11Error errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const P11Error& e) {
        return e;
    }
    throw std::logic_error("no P11Error raised");
}

// Signing, requests and the user PIN's own change are driven end to end by the command-line
// tool's tests.
TEST(SoftHsmModule, KeyStaysInsideSoPinUnlocksAndProvisioningAgainErases)
{
    const SoftHsmToken token;
    open()->fullProvision(kSO, kUser, "Orvela", "orvela-sign", Bytes{0x01});
    {
        auto module = open();
        module->initialize();
        const auto session = module->openSession(module->getSlotList(true).front(), false);
        module->login(session, kUser, PKCS11Module::kUserNormal);
        const auto key = module->findPrivateKey(session, std::nullopt);
        ASSERT_TRUE(key.has_value());
        // Marked so on the token, the key can never be read out, whatever else is set later.
        EXPECT_EQ(module->readAttribute(session, *key, CKA_SENSITIVE), Bytes{CK_TRUE});
        EXPECT_EQ(module->readAttribute(session, *key, CKA_VALUE), std::nullopt);
        module->logout(session);
        module->closeSession(session);
        module->finalize();
    }
    open()->generateSigningKey(kUser, "second", Bytes{0x02});
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
