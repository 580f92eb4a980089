// The sign test's logic: its one check on the digest, file digests, and signatures made on both
// roads (the virtual token for the card driver, SoftHSM2 for the PKCS#11 module).

#include "../TokenScreenFixture.h"
#include "common/l10n/FixedTexts.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenProvisioner.h"

#include <QFile>

using namespace orvela;
using orvela::testing::Pkcs11Road;
using orvela::testing::waitUntil;
using tokens::SignMode;
namespace texts = tokens::signTestText;

namespace {

const QString kEmptyDigest =
    QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

class SignTestControllerTest : public orvela::testing::TokenScreenFixture {
protected:
    void signAndWait()
    {
        controller.sign();
        ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    }

    tokens::TokenManager manager{nullptr, false};
    tokens::SignTestController controller{manager, localization};
};

TEST_F(SignTestControllerTest, OnlyA32ByteDigestReachesTheToken)
{
    QString pairs;
    for (qsizetype i = 0; i < kEmptyDigest.size(); i += 2) {
        pairs += kEmptyDigest.mid(i, 2) + (i % 4 == 0 ? QStringLiteral(" ") : QStringLiteral(":"));
    }
    const struct {
        QString hash;
        bool accepted;
    } cases[] = {
        {kEmptyDigest.left(63), false},       {kEmptyDigest.left(63) + u'g', false},
        {kEmptyDigest.left(62), false},       {kEmptyDigest + QStringLiteral("00"), false},
        {QString(), false},                   {kEmptyDigest, true},
        {kEmptyDigest.toUpper(), true},       {pairs, true},
    };
    // No card at all: an accepted digest goes on to the token and fails there, not here.
    for (const auto& c : cases) {
        controller.setHashHex(c.hash);
        signAndWait();
        EXPECT_EQ(controller.errorText() == texts::text(texts::hashLength), !c.accepted)
            << c.hash.toStdString();
        EXPECT_TRUE(controller.signatureHex().isEmpty());
    }
}

TEST_F(SignTestControllerTest, AChosenFileFillsTheHashAndAnUnreadableOneSaysWhy)
{
    const QString empty = dir.filePath(QStringLiteral("empty.txt"));
    QFile(empty).open(QIODevice::WriteOnly);
    controller.chooseFile(empty);
    ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    EXPECT_EQ(controller.hashHex(), kEmptyDigest);
    EXPECT_EQ(controller.fileName(), QStringLiteral("empty.txt"));
    EXPECT_TRUE(controller.isHashReady());
    controller.setHashHex(controller.hashHex().toUpper());
    EXPECT_FALSE(controller.isHashReady()); // no longer the file's digest as shown

    controller.chooseFile(dir.path()); // a folder is no document
    ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    const QString prefix = texts::text(texts::readFailed);
    EXPECT_TRUE(controller.errorText().startsWith(prefix));
    EXPECT_GT(controller.errorText().size(), prefix.size());
    EXPECT_EQ(controller.fileName(), QStringLiteral("empty.txt"));
}

TEST_F(SignTestControllerTest, BothRoadsSignAndAWrongPinSaysSo)
{
    plug();
    tokens::TokenProvisioner card;
    card.initializeApdu(tokenkit::toBytes("123456"), tokenkit::toBytes("12345678"));
    card.generateApduKey(tokenkit::toBytes("123456"));
    Pkcs11Road road;
    road.provision();
    controller.setHashHex(kEmptyDigest);
    controller.setUserPin(Pkcs11Road::userPin);
    for (const SignMode mode : {SignMode::apdu, SignMode::pkcs11}) {
        controller.setMode(mode);
        signAndWait();
        ASSERT_TRUE(controller.errorText().isEmpty()) << controller.errorText().toStdString();
        // r‖s of P-256, upper-case hexadecimal.
        EXPECT_EQ(controller.signatureHex().size(), 128);
        EXPECT_EQ(controller.signatureHex(), controller.signatureHex().toUpper());
    }

    controller.setUserPin(QStringLiteral("000000"));
    signAndWait();
    EXPECT_TRUE(controller.signatureHex().isEmpty());
    EXPECT_EQ(controller.errorText(),
              QString::fromStdString(
                  tokenkit::P11Error::ckError("C_Login", 0xA0 /* CKR_PIN_INCORRECT */)
                      .errorDescription()));
}

} // namespace
