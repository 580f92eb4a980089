// The detail screen's logic where the page does not show it: the provisioning form's rules, a
// failed or abandoned run, and the sign test's check on the digest and on a chosen file.

#include "../TokenScreenFixture.h"
#include "common/l10n/FixedTexts.h"
#include "orvela/tokenkit/TokenError.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"

#include <QFile>

using namespace orvela;
using orvela::testing::Pkcs11Road;
using orvela::testing::waitUntil;
using tokens::ProvisionController;
using tokens::ProvisionStep;
namespace texts = tokens::signTestText;

namespace {

class ProvisionControllerTest : public orvela::testing::TokenScreenFixture {
protected:
    void fill(const char* user, const char* repeat, const char* so,
              ProvisionController* form = nullptr)
    {
        form = form != nullptr ? form : &controller;
        form->setUserPin(QString::fromUtf8(user));
        form->setUserPinRepeat(QString::fromUtf8(repeat));
        form->setSoPin(QString::fromUtf8(so));
    }

    /// Presses the form's button and waits for the run to end.
    void run()
    {
        controller.provision();
        ASSERT_EQ(controller.step(), ProvisionStep::working);
        ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    }

    ProvisionController controller;
};

TEST_F(ProvisionControllerTest, TheButtonNeedsSixRepeatedUserCharactersAndEightSoCharacters)
{
    const struct {
        const char* user;
        const char* repeat;
        const char* so;
        bool enabled;
    } cases[] = {{"12345", "12345", "12345678", false},
                 {"123456", "123457", "12345678", false},
                 {"123456", "12345", "12345678", false},
                 {"123456", "123456", "1234567", false},
                 {"123456", "123456", "12345678", true},
                 {"ПИНкод", "ПИНкод", "нууцкод1", true},
                 {"12345678901234567890", "12345678901234567890", "12345678", true}};
    controller.chooseApdu();
    for (const auto& c : cases) {
        fill(c.user, c.repeat, c.so);
        EXPECT_EQ(controller.canProvision(), c.enabled) << c.user << " " << c.repeat << " " << c.so;
    }
}

TEST_F(ProvisionControllerTest, AFailedRunReturnsToItsFormWithTheCause)
{
    plug();
    reader->setPresent(0, false);
    controller.chooseApdu();
    fill("123456", "123456", "12345678");
    run();
    EXPECT_EQ(controller.step(), ProvisionStep::apduPins);
    EXPECT_EQ(controller.errorText(),
              QString::fromStdString(tokenkit::TokenError::cardNotFound().errorDescription()));
    EXPECT_EQ(controller.userPin(), QStringLiteral("123456"));

    const QString missing = dir.filePath(QStringLiteral("no-such-pkcs11.so"));
    Pkcs11Road road(missing.toUtf8().constData());
    controller.startOver();
    controller.choosePkcs11();
    fill("123456", "123456", "12345678");
    run();
    EXPECT_EQ(controller.step(), ProvisionStep::pkcs11Pins);
    EXPECT_TRUE(controller.errorText().contains(missing)) << controller.errorText().toStdString();
}

TEST_F(ProvisionControllerTest, AControllerClosedMidRunHearsNothingMore)
{
    plug();
    auto closing = std::make_unique<ProvisionController>();
    closing->chooseApdu();
    fill("123456", "123456", "12345678", closing.get());
    closing->provision();
    closing.reset();
    ASSERT_TRUE(cardWorkerIdle());
    ASSERT_TRUE(cardWorkerIdle()); // room for a key job, had the first one handed back
    // The card work already under way finished; its hand-back, which would have gone on to
    // make the key, never ran.
    EXPECT_TRUE(token->pinTriesLeft(1).has_value());
    EXPECT_FALSE(token->publicKey(0x01).has_value());
}

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
    const QString pairs = QStringLiteral("e3 b0:c4 42:98 fc:1c 14:9a fb:f4 c8:99 6f:b9 24:27 ae:41 "
                                         "e4 64:9b 93:4c a4:95 99:1b 78:52 b8:55");
    const struct {
        QString hash;
        bool accepted;
    } cases[] = {{kEmptyDigest.left(63), false},
                 {kEmptyDigest.left(63) + u'g', false},
                 {kEmptyDigest.left(62), false},
                 {kEmptyDigest + QStringLiteral("00"), false},
                 {QString(), false},
                 {kEmptyDigest, true},
                 {kEmptyDigest.toUpper(), true},
                 {pairs, true}};
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
    controller.chooseFile(dir.path());      // a folder is no document
    ASSERT_TRUE(waitUntil([&] { return !controller.isBusy(); }));
    const QString prefix = texts::text(texts::readFailed);
    EXPECT_TRUE(controller.errorText().startsWith(prefix));
    EXPECT_GT(controller.errorText().size(), prefix.size());
    EXPECT_EQ(controller.fileName(), QStringLiteral("empty.txt"));
}

} // namespace
