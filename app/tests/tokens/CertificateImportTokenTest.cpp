// A certificate chosen as DER and the same one chosen as PEM end up as the same token object.

#include "SoftHsmToken.h"
#include "TestCertificate.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "tokens/CertificateImport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <p11-kit/pkcs11.h>

namespace {

using namespace orvela::tokenkit;

Bytes storedCertificate()
{
    auto module = PKCS11Module::open(std::string(orvela::testing::kSoftHsmLibrary));
    module->initialize();
    const auto session = module->openSession(module->getSlotList(true).front(), false);
    module->login(session, "123456", PKCS11Module::kUserNormal);
    Bytes classValue(sizeof(CK_ULONG));
    const CK_ULONG certificateClass = CKO_CERTIFICATE;
    std::memcpy(classValue.data(), &certificateClass, sizeof certificateClass);
    const auto handles = module->findObjects(session, {{CKA_CLASS, classValue}}, 4);
    Bytes value;
    if (handles.size() == 1) {
        value = module->readAttribute(session, handles.front(), CKA_VALUE).value_or(Bytes{});
    }
    module->logout(session);
    module->closeSession(session);
    return value;
}

TEST(CertificateImportToken, DerAndPemStoreTheSameBytes)
{
    const QByteArray der = orvela::testing::makeCertificateDER();
    std::vector<Bytes> stored;
    for (const QByteArray& file : {der, orvela::testing::toPem(der, "\r\n")}) {
        orvela::testing::SoftHsmToken token;
        PKCS11Module::open(std::string(orvela::testing::kSoftHsmLibrary))
            ->fullProvision("12345678", "123456", "Orvela", "orvela-sign", Bytes{0x01});
        const QByteArray value = orvela::tokens::certificateValueFromFile(file);
        PKCS11Module::open(std::string(orvela::testing::kSoftHsmLibrary))
            ->importCertificate("123456", "eid-cert",
                                ByteView(reinterpret_cast<const std::uint8_t*>(value.data()),
                                         static_cast<std::size_t>(value.size())),
                                Bytes{0x01});
        stored.push_back(storedCertificate());
    }
    const Bytes expected(der.begin(), der.end());
    EXPECT_EQ(stored.at(0), expected);
    EXPECT_EQ(stored.at(1), expected);
}

} // namespace
