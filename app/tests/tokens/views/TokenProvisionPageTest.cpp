// Provisioning from the tokens page, asking before it wipes, on either road; and the form's
// rules and its failed and abandoned runs on its own controller.

#include "TokenPagesFixture.h"
#include "orvela/tokenkit/TokenError.h"
#include "tokens/TokenWork.h"
#include "tokens/views/ProvisionSection.h"

#include <QSemaphore>
#include <QtConcurrent/QtConcurrentRun>

using namespace orvela;
using orvela::testing::failureText;
using orvela::testing::Pkcs11Road;
using orvela::testing::TokenPagesTest;
using orvela::testing::waitUntil;
using tokens::ProvisionController;
using tokens::ProvisionStep;

namespace {

/// The token's objects, listed on the PKCS#11 worker as the page's own actions are: listed from
/// here, the check could overlap a refresh the page started and finalize the library under it.
std::size_t objectsOnToken(const std::string& pin)
{
    return QtConcurrent::run(&tokens::pkcs11Worker(),
                             [pin] { return tokens::TokenProvisioner().listObjects(pin).size(); })
        .result();
}

TEST_F(TokenPagesTest, ProvisioningAsksBeforeItWipesThenSetsUpEitherRoad)
{
    Pkcs11Road road;
    road.provision(); // a SoftHSM2 token in use, opened by its user PIN
    plug();
    auto page = open();
    page->showDetail();
    tokens::ProvisionController& provision = page->provision();
    auto* section = page->findChild<tokens::views::ProvisionSection*>();
    ASSERT_NE(section, nullptr);
    shoot(*section, QStringLiteral("tokens-provision-choose"));

    provision.choosePkcs11();
    fill(provision, "654321", "654321");
    shoot(*section, QStringLiteral("tokens-provision-pkcs11Pins"));
    press(*page, "provisionPkcs11Action", false);
    EXPECT_EQ(provision.step(), ProvisionStep::pkcs11Pins);
    EXPECT_NO_THROW(objectsOnToken(Pkcs11Road::userPin));

    provision.startOver();
    provision.chooseApdu();
    fill(provision, "123456", "123456");
    shoot(*section, QStringLiteral("tokens-provision-apduPins"));
    // More than the 16 bytes the token stores is refused before anything is sent.
    const std::pair<const char*, const char*> tooLong[] = {
        {"12345678901234567", "12345678"},
        {"123456", "12345678901234567"},
        {"ПИНкодПИНк", "12345678"}, // 10 characters, 20 UTF-8 bytes
    };
    for (const auto& [user, so] : tooLong) {
        fill(provision, user, user, so);
        provision.provision();
        EXPECT_EQ(provision.step(), ProvisionStep::apduPins) << user;
        ASSERT_TRUE(provision.failure().has_value());
        EXPECT_EQ(provision.failure()->cardCode, tokenkit::TokenError::Code::pinTooLong);
        EXPECT_EQ(provision.userPin(), QString::fromUtf8(user)); // the form keeps its input
    }
    shoot(*section, QStringLiteral("tokens-provision-error"));
    fill(provision, "1234567890123456", "1234567890123456");
    press(*page, "provisionApduAction", false);
    EXPECT_EQ(provision.step(), ProvisionStep::apduPins);
    ASSERT_TRUE(cardWorkerIdle());
    EXPECT_FALSE(token->pinTriesLeft(1).has_value()); // still blank: no PIN installed

    // The card worker waits behind a gate, so the picture catches the run before it ends.
    QSemaphore gate;
    QObject gateContext;
    tokens::runCardWork(
        &gateContext, readers, [&] { gate.acquire(); }, [](const auto&) {});
    press(*page, "provisionApduAction", true);
    EXPECT_EQ(provision.step(), ProvisionStep::working);
    shoot(*section, QStringLiteral("tokens-provision-working"));
    gate.release();
    ASSERT_TRUE(waitUntil([&] { return !provision.isBusy(); }));
    ASSERT_EQ(provision.step(), ProvisionStep::done) << failureText(provision.failure());
    shoot(*section, QStringLiteral("tokens-provision-done"));
    EXPECT_TRUE(provision.userPin().isEmpty() && provision.soPin().isEmpty());
    EXPECT_TRUE(token->publicKey(0x01).has_value());
    EXPECT_EQ(token->pinTriesLeft(1), 10);

    provision.startOver();
    EXPECT_TRUE(provision.successText().isEmpty());
    provision.choosePkcs11();
    fill(provision, "654321", "654321");
    press(*page, "provisionPkcs11Action", true);
    ASSERT_TRUE(waitUntil([&] { return !provision.isBusy(); }));
    ASSERT_EQ(provision.step(), ProvisionStep::done) << failureText(provision.failure());
    EXPECT_EQ(objectsOnToken("654321"), 2u); // its key pair
}

TEST_F(TokenPagesTest, TheProvisionButtonNeedsSixRepeatedUserCharactersAndEightSoCharacters)
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
    ProvisionController form;
    form.chooseApdu();
    for (const auto& c : cases) {
        fill(form, c.user, c.repeat, c.so);
        EXPECT_EQ(form.canProvision(), c.enabled) << c.user << " " << c.repeat << " " << c.so;
    }
}

TEST_F(TokenPagesTest, AFailedProvisioningReturnsToItsFormWithTheCause)
{
    plug();
    reader->setPresent(0, false);
    ProvisionController form(onReaders());
    const auto run = [&] {
        form.provision();
        EXPECT_EQ(form.step(), ProvisionStep::working);
        EXPECT_TRUE(waitUntil([&] { return !form.isBusy(); }));
    };
    form.chooseApdu();
    fill(form, "123456", "123456", "12345678");
    run();
    EXPECT_EQ(form.step(), ProvisionStep::apduPins);
    ASSERT_TRUE(form.failure().has_value());
    EXPECT_EQ(form.failure()->kind, tokens::TokenFailureKind::noCard);
    EXPECT_EQ(form.userPin(), QStringLiteral("123456"));

    const QString missing = dir.filePath(QStringLiteral("no-such-pkcs11.so"));
    Pkcs11Road road(missing.toUtf8().constData());
    form.startOver();
    form.choosePkcs11();
    fill(form, "123456", "123456", "12345678");
    run();
    EXPECT_EQ(form.step(), ProvisionStep::pkcs11Pins);
    ASSERT_TRUE(form.failure().has_value());
    EXPECT_EQ(form.failure()->kind, tokens::TokenFailureKind::libraryMissing);
    EXPECT_TRUE(form.failure()->detail.starts_with(missing.toStdString()));
}

TEST_F(TokenPagesTest, AProvisioningFormClosedMidRunHearsNothingMore)
{
    plug();
    auto closing = std::make_unique<ProvisionController>(onReaders());
    closing->chooseApdu();
    fill(*closing, "123456", "123456", "12345678");
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
