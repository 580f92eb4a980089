// The sign test's logic: its one check on the digest, file digests, and signatures made on both
// roads (the virtual token for the card driver, SoftHSM2 for the PKCS#11 module).

#include "TokenViewFixture.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"

#include <QFile>

using namespace orvela;
using orvela::testing::Pkcs11Road;
using orvela::testing::waitUntil;
using tokens::SignMode;
using tokens::SignTestController;

namespace {

constexpr const char* kEmptyDigest =
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
const QString kHashMessage = QStringLiteral("SHA-256 hash 32 байт (64 hex тэмдэгт) байх ёстой.");

class SignTestControllerTest : public orvela::testing::TokenViewFixture {
protected:
    void signAndWait()
    {
        controller.sign();
        ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    }

    /// Provisions the virtual token so that it holds a signing key.
    void provisionCard()
    {
        plug();
        tokens::ProvisionController provision;
        provision.chooseApdu();
        provision.setUserPin(QStringLiteral("123456"));
        provision.setUserPinRepeat(QStringLiteral("123456"));
        provision.setSoPin(QStringLiteral("12345678"));
        provision.provision();
        ASSERT_TRUE(waitUntil([&] { return !provision.isBusy(); }));
        ASSERT_EQ(provision.step(), tokens::ProvisionStep::done);
    }

    tokens::TokenManager manager{nullptr, false};
    SignTestController controller{manager, localization};
};

TEST_F(SignTestControllerTest, OnlyA32ByteDigestReachesTheToken)
{
    const QString digest = QString::fromLatin1(kEmptyDigest);
    QString pairs;
    for (qsizetype i = 0; i < digest.size(); i += 2) {
        pairs += digest.mid(i, 2) + (i % 4 == 0 ? QStringLiteral(" ") : QStringLiteral(":"));
    }
    const struct {
        QString hash;
        bool accepted;
    } cases[] = {
        {digest.left(63), false},
        {digest.left(63) + QStringLiteral("g"), false},
        {digest.left(62), false}, // 31 bytes
        {digest + QStringLiteral("00"), false}, // 33 bytes
        {QString(), false},
        {digest, true},
        {digest.toUpper(), true},
        {pairs, true}, // pairs separated by spaces and colons
    };
    // No card at all: an accepted digest goes on to the token and fails there, not here.
    for (const auto& c : cases) {
        controller.setHashHex(c.hash);
        signAndWait();
        EXPECT_EQ(controller.errorText() == kHashMessage, !c.accepted) << c.hash.toStdString();
        EXPECT_TRUE(controller.signatureHex().isEmpty());
    }
}

TEST_F(SignTestControllerTest, AChosenFileFillsTheHashAndAnUnreadableOneSaysWhy)
{
    const QString empty = dir.filePath(QStringLiteral("empty.txt"));
    QFile(empty).open(QIODevice::WriteOnly);
    controller.chooseFile(empty);
    ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    EXPECT_EQ(controller.hashHex(), QString::fromLatin1(kEmptyDigest));
    EXPECT_EQ(controller.fileName(), QStringLiteral("empty.txt"));
    EXPECT_TRUE(controller.isHashReady());
    controller.setHashHex(controller.hashHex().toUpper());
    EXPECT_FALSE(controller.isHashReady()); // no longer the file's digest as shown

    controller.chooseFile(dir.path()); // a folder is no document
    ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    EXPECT_TRUE(controller.errorText().startsWith(QStringLiteral("Файл уншиx алдаа: ")));
    EXPECT_GT(controller.errorText().size(), QStringLiteral("Файл уншиx алдаа: ").size());
    EXPECT_EQ(controller.fileName(), QStringLiteral("empty.txt"));
}

TEST_F(SignTestControllerTest, TheCardSignsTheDigestOfAnEmptyFile)
{
    provisionCard();
    controller.setMode(SignMode::apdu);
    controller.setHashHex(QString::fromLatin1(kEmptyDigest));
    signAndWait();
    ASSERT_TRUE(controller.errorText().isEmpty()) << controller.errorText().toStdString();
    // r‖s of P-256, upper-case hexadecimal.
    EXPECT_EQ(controller.signatureHex().size(), 128);
    EXPECT_EQ(controller.signatureHex(), controller.signatureHex().toUpper());
}

TEST_F(SignTestControllerTest, Pkcs11SignsWithTheFirstKeyAndReportsAWrongPin)
{
    Pkcs11Road road;
    road.provision();
    controller.setMode(SignMode::pkcs11);
    controller.setHashHex(QString::fromLatin1(kEmptyDigest));
    controller.setUserPin(Pkcs11Road::userPin);
    controller.setKeyLabel(QString()); // the first private key
    signAndWait();
    ASSERT_TRUE(controller.errorText().isEmpty()) << controller.errorText().toStdString();
    EXPECT_EQ(controller.signatureHex().size(), 128);

    controller.setUserPin(QStringLiteral("000000"));
    signAndWait();
    EXPECT_TRUE(controller.signatureHex().isEmpty());
    EXPECT_EQ(controller.errorText(),
              QString::fromStdString(
                  tokenkit::P11Error::ckError("C_Login", 0xA0 /* CKR_PIN_INCORRECT */)
                      .errorDescription()));
}

} // namespace
