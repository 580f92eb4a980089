// The provisioning section's logic on both roads: the virtual token in an in-process reader for
// the APDU road, SoftHSM2 for the PKCS#11 road.

#include "TokenViewFixture.h"
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

class ProvisionControllerTest : public orvela::testing::TokenViewFixture {
protected:
    void fill(const QString& user, const QString& repeat, const QString& so)
    {
        controller.setUserPin(user);
        controller.setUserPinRepeat(repeat);
        controller.setSoPin(so);
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

TEST_F(ProvisionControllerTest, TheButtonNeedsSixRepeatedUserDigitsAndEightSoDigits)
{
    const struct {
        const char* user;
        const char* repeat;
        const char* so;
        bool enabled;
    } cases[] = {
        {"12345", "12345", "12345678", false},     // user PIN one short
        {"123456", "123457", "12345678", false},   // repetition off by one character
        {"123456", "12345", "12345678", false},    // repetition one short
        {"123456", "123456", "1234567", false},    // SO PIN one short
        {"123456", "123456", "12345678", true},
        {"ПИНкод", "ПИНкод", "нууцкод1", true},    // characters, not UTF-8 bytes, count
        {"12345678901234567890", "12345678901234567890", "12345678", true},
    };
    controller.chooseApdu();
    for (const auto& c : cases) {
        fill(QString::fromUtf8(c.user), QString::fromUtf8(c.repeat), QString::fromUtf8(c.so));
        EXPECT_EQ(controller.canProvision(), c.enabled) << c.user << " / " << c.repeat << " / " << c.so;
    }
}

TEST_F(ProvisionControllerTest, ApduPinsTheTokenCannotVerifyAreRefusedBeforeAnythingIsSent)
{
    plug();
    const QString tooLong =
        QString::fromStdString(tokenkit::TokenError::pinTooLong().errorDescription());
    const struct {
        const char* user;
        const char* so;
    } cases[] = {
        {"12345678901234567890", "12345678"},        // 20 characters
        {"123456", "12345678901234567"},             // SO PIN / PUK of 17
        {"ПИНкодПИНк", "12345678"},                  // 10 characters, 20 UTF-8 bytes
    };
    controller.chooseApdu();
    for (const auto& c : cases) {
        fill(QString::fromUtf8(c.user), QString::fromUtf8(c.user), QString::fromUtf8(c.so));
        ASSERT_TRUE(controller.canProvision());
        controller.provision();
        // Refused on the press itself: the run never started.
        EXPECT_EQ(controller.step(), ProvisionStep::apduPins) << c.user;
        EXPECT_FALSE(controller.isBusy());
        EXPECT_EQ(controller.errorText(), tooLong);
        EXPECT_EQ(controller.userPin(), QString::fromUtf8(c.user)); // the form keeps its input
    }
    ASSERT_TRUE(cardWorkerIdle());
    EXPECT_FALSE(token->pinTriesLeft(1).has_value()); // still blank: no PIN installed
    EXPECT_FALSE(token->publicKey(0x01).has_value());
}

TEST_F(ProvisionControllerTest, ApduRoadInitialisesTheTokenThenMakesItsKey)
{
    plug();
    controller.chooseApdu();
    fill(QStringLiteral("123456"), QStringLiteral("123456"), QStringLiteral("12345678"));
    QStringList progress;
    QObject::connect(&controller, &ProvisionController::changed, &controller, [&] {
        if (!controller.progressText().isEmpty() && progress.value(progress.size() - 1) != controller.progressText()) {
            progress.append(controller.progressText());
        }
    });
    run();
    EXPECT_EQ(controller.step(), ProvisionStep::done);
    EXPECT_EQ(controller.successText(), QStringLiteral("Түлхүүр хос үүсгэгдлэа"));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("SM session + erase + filesystem + PIN/PUK"),
                                     QStringLiteral("PIN/PUK тогтоогдлоо"),
                                     QStringLiteral("Түлхүүр хос үүсгэж байна")}));
    EXPECT_TRUE(controller.userPin().isEmpty());
    EXPECT_TRUE(controller.soPin().isEmpty());
    EXPECT_TRUE(controller.errorText().isEmpty());
    EXPECT_TRUE(token->publicKey(0x01).has_value());
    EXPECT_TRUE(token->pinTriesLeft(1).has_value());

    // "Шинэ тохиргоо" starts from an empty form.
    controller.startOver();
    EXPECT_EQ(controller.step(), ProvisionStep::choose);
    EXPECT_TRUE(controller.successText().isEmpty());
    controller.choosePkcs11();
    EXPECT_TRUE(controller.userPin().isEmpty() && controller.userPinRepeat().isEmpty() &&
                controller.soPin().isEmpty());
    EXPECT_FALSE(controller.canProvision());
}

TEST_F(ProvisionControllerTest, AFailedRunReturnsToItsFormWithTheCause)
{
    // The APDU road with the card pulled out: the reader answers that the card is gone.
    plug();
    reader->setPresent(0, false);
    controller.chooseApdu();
    fill(QStringLiteral("123456"), QStringLiteral("123456"), QStringLiteral("12345678"));
    run();
    EXPECT_EQ(controller.step(), ProvisionStep::apduPins);
    EXPECT_FALSE(controller.errorText().isEmpty());
    EXPECT_TRUE(controller.progressText().isEmpty());
    EXPECT_EQ(controller.userPin(), QStringLiteral("123456"));

    // The PKCS#11 road with no library where it is said to be.
    const QString missing = dir.filePath(QStringLiteral("no-such-pkcs11.so"));
    Pkcs11Road road(missing.toUtf8().constData());
    controller.startOver();
    controller.choosePkcs11();
    fill(QStringLiteral("123456"), QStringLiteral("123456"), QStringLiteral("12345678"));
    run();
    EXPECT_EQ(controller.step(), ProvisionStep::pkcs11Pins);
    EXPECT_EQ(controller.errorText(),
              QString::fromStdString(
                  tokenkit::P11Error::libraryNotFound(missing.toStdString(), std::strerror(ENOENT))
                      .errorDescription()));
}

TEST_F(ProvisionControllerTest, Pkcs11RoadResetsTheTokenAndMakesItsKey)
{
    Pkcs11Road road;
    road.provision(); // a token in use, with other PINs than the new ones
    controller.choosePkcs11();
    fill(QStringLiteral("654321"), QStringLiteral("654321"), Pkcs11Road::soPin);
    run();
    ASSERT_EQ(controller.step(), ProvisionStep::done) << controller.errorText().toStdString();
    EXPECT_EQ(controller.successText(),
              QStringLiteral("PKCS#11 provision амжилттай — EC keypair бэлэн"));
    EXPECT_TRUE(controller.userPin().isEmpty());
    // The new user PIN opens the token and finds the signing key.
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
