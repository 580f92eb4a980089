// The provisioning section's logic on both roads: the virtual token in an in-process reader for
// the APDU road, SoftHSM2 for the PKCS#11 road.

#include "../TokenScreenFixture.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "orvela/tokenkit/TokenError.h"
#include "tokens/ProvisionController.h"

#include <cerrno>
#include <cstring>

using namespace orvela;
using orvela::testing::Pkcs11Road;
using orvela::testing::waitUntil;
using tokens::ProvisionController;
using tokens::ProvisionStep;

namespace {

class ProvisionControllerTest : public orvela::testing::TokenScreenFixture {
protected:
    void fill(const char* user, const char* repeat, const char* so)
    {
        controller.setUserPin(QString::fromUtf8(user));
        controller.setUserPinRepeat(QString::fromUtf8(repeat));
        controller.setSoPin(QString::fromUtf8(so));
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
    } cases[] = {
        {"12345", "12345", "12345678", false},   {"123456", "123457", "12345678", false},
        {"123456", "12345", "12345678", false},  {"123456", "123456", "1234567", false},
        {"123456", "123456", "12345678", true},  {"ПИНкод", "ПИНкод", "нууцкод1", true},
        {"12345678901234567890", "12345678901234567890", "12345678", true},
    };
    controller.chooseApdu();
    for (const auto& c : cases) {
        fill(c.user, c.repeat, c.so);
        EXPECT_EQ(controller.canProvision(), c.enabled) << c.user << " " << c.repeat << " " << c.so;
    }
}

TEST_F(ProvisionControllerTest, ApduPinsOver16BytesAreRefusedBeforeAnythingIsSent)
{
    plug();
    const QString tooLong =
        QString::fromStdString(tokenkit::TokenError::pinTooLong().errorDescription());
    const struct {
        const char* user;
        const char* so;
    } cases[] = {
        {"12345678901234567", "12345678"},
        {"123456", "12345678901234567"},
        {"ПИНкодПИНк", "12345678"}, // 10 characters, 20 UTF-8 bytes
    };
    controller.chooseApdu();
    for (const auto& c : cases) {
        fill(c.user, c.user, c.so);
        controller.provision();
        EXPECT_EQ(controller.step(), ProvisionStep::apduPins) << c.user;
        EXPECT_EQ(controller.errorText(), tooLong) << c.user;
        EXPECT_EQ(controller.userPin(), QString::fromUtf8(c.user)); // the form keeps its input
    }
    ASSERT_TRUE(cardWorkerIdle());
    EXPECT_FALSE(token->pinTriesLeft(1).has_value()); // still blank: no PIN installed
}

TEST_F(ProvisionControllerTest, ApduRoadInstallsThePinsAndMakesTheKeyThenForgetsThem)
{
    plug();
    controller.chooseApdu();
    fill("1234567890123456", "1234567890123456", "12345678");
    run();
    EXPECT_EQ(controller.step(), ProvisionStep::done) << controller.errorText().toStdString();
    EXPECT_TRUE(controller.userPin().isEmpty() && controller.soPin().isEmpty());
    EXPECT_TRUE(token->publicKey(0x01).has_value());
    EXPECT_EQ(token->pinTriesLeft(1), 10);

    controller.startOver();
    EXPECT_EQ(controller.step(), ProvisionStep::choose);
    EXPECT_TRUE(controller.successText().isEmpty());
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
    EXPECT_EQ(controller.errorText(),
              QString::fromStdString(
                  tokenkit::P11Error::libraryNotFound(missing.toStdString(), std::strerror(ENOENT))
                      .errorDescription()));
}

TEST_F(ProvisionControllerTest, Pkcs11RoadResetsTheTokenAndMakesItsKey)
{
    plug();
    Pkcs11Road road;
    road.provision(); // a token in use, with other PINs than the new ones
    controller.choosePkcs11();
    fill("654321", "654321", Pkcs11Road::soPin);
    run();
    ASSERT_EQ(controller.step(), ProvisionStep::done) << controller.errorText().toStdString();
    EXPECT_FALSE(token->pinTriesLeft(1).has_value()) << "the card was provisioned instead";
    const auto objects = tokens::TokenProvisioner().listObjects("654321");
    EXPECT_TRUE(std::any_of(objects.begin(), objects.end(),
                            [](const auto& object) { return object.kind == "privateKey"; }));
}

TEST_F(ProvisionControllerTest, AControllerClosedMidRunHearsNothingMore)
{
    plug();
    auto closing = std::make_unique<ProvisionController>();
    closing->chooseApdu();
    closing->setUserPin(QStringLiteral("123456"));
    closing->setUserPinRepeat(QStringLiteral("123456"));
    closing->setSoPin(QStringLiteral("12345678"));
    closing->provision();
    closing.reset();
    ASSERT_TRUE(cardWorkerIdle());
    ASSERT_TRUE(cardWorkerIdle()); // room for a key job, had the first one handed back
    // The card work already under way finished; its hand-back, which would have gone on to
    // make the key, never ran.
    EXPECT_TRUE(token->pinTriesLeft(1).has_value());
    EXPECT_FALSE(token->publicKey(0x01).has_value());
}

} // namespace
