// The tokens page over the shell's kind of token manager: hot-plug seen without a refresh, the
// detail screen's status, secret fields, confirmation before a wipe, provisioning and the sign
// test on both roads, and a picture of every state; the provisioning and sign-test logic the
// page does not show (the form's rules, failed and abandoned runs, the digest check) on their
// own controllers.

#include "../TokenScreenFixture.h"
#include "AnsweringPrompts.h"
#include "components/Card.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "orvela/tokenkit/TokenError.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenTargets.h"
#include "tokens/views/ProvisionSection.h"
#include "tokens/views/TokenSignTestView.h"
#include "tokens/views/TokensView.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>

using namespace orvela;
using orvela::testing::Pkcs11Road;
using orvela::testing::waitUntil;
using tokens::ProvisionController;
using tokens::ProvisionStep;
using tokens::views::TokensView;

namespace {

const QString kEmptyDigest =
    QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

/// The failure in English, for a failed check's message.
std::string failureText(const std::optional<tokens::TokenFailure>& failure)
{
    return failure ? tokens::tokenFailureText(*failure, common::AppLanguage::en).toStdString()
                   : std::string();
}

/// The colour of the most opaque pixel: a tinted mark's own colour, not an anti-aliased edge.
QRgb solidColour(const QImage& image)
{
    QRgb best = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > qAlpha(best)) {
                best = pixel;
            }
        }
    }
    return qRgb(qRed(best), qGreen(best), qBlue(best));
}

class TokenPagesTest : public orvela::testing::TokenScreenFixture {
protected:
    /// The page as the shell builds it, over a watching manager, sized like a small window;
    /// its dialogs answer from `answers`.
    std::unique_ptr<TokensView> open()
    {
        manager = std::make_unique<tokens::TokenManager>();
        auto page = std::make_unique<TokensView>(
            *manager, localization, tokens::TokenProvisioner::Options{},
            std::make_unique<orvela::testing::AnsweringPrompts>(answers));
        page->resize(560, 520);
        page->show();
        EXPECT_TRUE(
            waitUntil([&] { return cardWorkerIdle() && (!token || manager->tokenInfo()); }));
        return page;
    }

    template <class T> static T* child(QWidget& page, const char* name)
    {
        T* found = page.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    /// Presses a button that wipes the token, answering its confirmation with `agree`.
    void press(QWidget& page, const char* button, bool agree)
    {
        answers.confirm = agree;
        const int asked = answers.confirmations;
        child<QPushButton>(page, button)->click();
        EXPECT_EQ(answers.confirmations, asked + 1) << button << " did not ask first";
    }

    /// Types the provisioning form's PINs.
    static void fill(ProvisionController& form, const char* user, const char* repeat,
                     const char* so = Pkcs11Road::soPin)
    {
        form.setUserPin(QString::fromUtf8(user));
        form.setUserPinRepeat(QString::fromUtf8(repeat));
        form.setSoPin(QString::fromUtf8(so));
    }

    orvela::testing::AnsweringPrompts::Answers answers;
    std::unique_ptr<tokens::TokenManager> manager;
};

TEST_F(TokenPagesTest, ATokenIsSeenArrivingAndLeavingWithoutARefresh)
{
    // The real PC/SC client with no service behind its socket: the list says the service is
    // down, not that a token should be plugged in.
    qputenv("PCSCLITE_CSOCK_NAME", dir.filePath(QStringLiteral("no-pcscd")).toUtf8());
    tokenkit::CardReaders::shared().setBackend(tokenkit::makePcscBackend());
    auto page = open();
    auto* emptyCard = child<components::Card>(*page, "tokensEmpty");
    for (const auto language : {common::AppLanguage::en, common::AppLanguage::mn}) {
        localization.setLanguage(language);
        EXPECT_TRUE(waitUntil([&] {
            return emptyCard->title() ==
                   tokens::tokenFailureWords(
                       tokens::failureOfKind(tokens::TokenFailureKind::serviceNotRunning), language)
                       .what;
        })) << emptyCard->title().toStdString();
    }
    shoot(*page, QStringLiteral("tokens-list-no-service"));
    qunsetenv("PCSCLITE_CSOCK_NAME");

    tokenkit::CardReaders::shared().setBackend(std::make_shared<sim::VirtualReaderBackend>(0));
    page = open();
    EXPECT_TRUE(child<QWidget>(*page, "tokensEmpty")->isVisibleTo(page.get()));
    emptyCard = child<components::Card>(*page, "tokensEmpty");
    EXPECT_EQ(emptyCard->title(), localization.localized(QStringLiteral("Tokens_Empty_Title")));
    shoot(*page, QStringLiteral("tokens-list-empty"));

    tokenkit::CardReaders::shared().setBackend(reader);
    page = open();
    plug(sim::VirtualToken::Mode::aesFips, "Orvela FIPS Token");
    ASSERT_TRUE(waitUntil(
        [&] { return child<QLabel>(*page, "tokenName")->text() == "Orvela FIPS Token"; }));
    EXPECT_EQ(child<QLabel>(*page, "tokenBadge")->text(), QStringLiteral("FIPS"));
    shoot(*page, QStringLiteral("tokens-list-present"));

    page->showDetail();
    auto* notice = child<components::InlineBanner>(*page, "disconnectedNotice");
    EXPECT_FALSE(notice->isVisibleTo(page.get()));
    shoot(*page, QStringLiteral("tokens-detail-connected"));
    // The status mark takes its tone's colour for the theme in use, also after a switch.
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x1E, 0x21, 0x28));
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    const QRgb darkTone = components::style::toneColors(components::Tone::success).foreground.rgb();
    EXPECT_TRUE(waitUntil([&] {
        return solidColour(child<QLabel>(*page, "statusIcon")->pixmap().toImage()) == darkTone;
    }));
    QApplication::setPalette(light);
    reader->setPresent(0, false);
    EXPECT_TRUE(waitUntil([&] { return notice->isVisibleTo(page.get()); }));
    shoot(*page, QStringLiteral("tokens-detail-disconnected"));

    // A reader gone clears the names, the presence and the info at the next refresh.
    tokenkit::CardReaders::shared().setBackend(std::make_shared<sim::VirtualReaderBackend>(0));
    manager->refresh();
    EXPECT_TRUE(waitUntil([&] { return !manager->isTokenPresent(); }));
    EXPECT_TRUE(manager->readerNames().isEmpty());
    EXPECT_FALSE(manager->isCardPresent() || manager->tokenInfo().has_value());
}

TEST_F(TokenPagesTest, LeavingTheDetailScreenForgetsThePins)
{
    plug();
    auto page = open();
    page->showDetail();
    page->provision().chooseApdu();
    page->signTest().setMode(tokens::SignMode::pkcs11);
    for (QLineEdit* field : page->findChildren<QLineEdit*>()) {
        if (field->echoMode() == QLineEdit::Password) {
            field->setText(QStringLiteral("123456"));
            emit field->textEdited(field->text());
        }
    }
    ASSERT_EQ(page->provision().userPin() + page->signTest().userPin(), "123456123456");

    child<QPushButton>(*page, "backButton")->click();
    EXPECT_FALSE(page->isShowingDetail());
    EXPECT_TRUE(page->provision().userPin().isEmpty() && page->provision().soPin().isEmpty());
    EXPECT_TRUE(page->signTest().userPin().isEmpty());
    for (QLineEdit* field : page->findChildren<QLineEdit*>()) {
        EXPECT_TRUE(field->echoMode() != QLineEdit::Password || field->text().isEmpty());
    }
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
    EXPECT_NO_THROW(tokens::TokenProvisioner().listObjects(Pkcs11Road::userPin));

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
        &gateContext, [&] { gate.acquire(); }, [](const auto&) {});
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
    EXPECT_EQ(tokens::TokenProvisioner().listObjects("654321").size(), 2u); // its key pair
}

TEST_F(TokenPagesTest, TheSignTestHashesAChosenFileAndSignsOnBothRoadsAndAWrongPinSaysSo)
{
    Pkcs11Road road;
    road.provision();
    answers.openPath = write("contract.pdf", {});
    plug();
    tokens::TokenProvisioner card; // the same user PIN as the SoftHSM2 token's
    card.initializeApdu(tokenkit::toBytes(Pkcs11Road::userPin), tokenkit::toBytes("12345678"));
    card.generateApduKey(tokenkit::toBytes(Pkcs11Road::userPin));
    auto page = open();
    page->showDetail();
    auto* view = page->findChild<tokens::views::TokenSignTestView*>();
    ASSERT_NE(view, nullptr);
    tokens::SignTestController& signTest = page->signTest();
    shoot(*view, QStringLiteral("tokens-signtest-idle"));

    view->chooseFile();
    ASSERT_TRUE(waitUntil([&] { return signTest.isHashReady(); }));
    EXPECT_EQ(signTest.hashHex(), kEmptyDigest);
    answers.openPath = dir.path(); // a folder is no document
    view->chooseFile();
    ASSERT_TRUE(waitUntil([&] { return !signTest.isBusy(); }));
    EXPECT_EQ(signTest.errorText().key, "Tokens_SignTest_ReadFailed");
    EXPECT_TRUE(signTest.errorText().input.has_value()); // why it could not be read
    shoot(*view, QStringLiteral("tokens-signtest-unreadable"), {dir.path()});
    EXPECT_EQ(signTest.fileName(), QStringLiteral("contract.pdf"));
    signTest.setHashHex(signTest.hashHex().toUpper());
    EXPECT_FALSE(signTest.isHashReady()); // no longer the file's digest as shown
    const struct {
        tokens::SignMode mode;
        const char* pin;
        const char* state;
    } runs[] = {{tokens::SignMode::apdu, Pkcs11Road::userPin, "done"},
                {tokens::SignMode::pkcs11, Pkcs11Road::userPin, "done"},
                {tokens::SignMode::pkcs11, "000000", "error"}};
    for (const auto& run : runs) {
        signTest.setMode(run.mode);
        signTest.setUserPin(QString::fromLatin1(run.pin));
        signTest.sign();
        ASSERT_TRUE(waitUntil([&] { return !signTest.isBusy(); }));
        const QString signature = signTest.signatureHex();
        if (std::string(run.state) == "done") {
            EXPECT_TRUE(signTest.errorText().isEmpty())
                << localization.localized(signTest.errorText()).toStdString();
            EXPECT_EQ(signature.size(), 128); // r‖s of P-256, upper-case hexadecimal
            EXPECT_EQ(signature, signature.toUpper());
        } else {
            EXPECT_TRUE(signature.isEmpty());
            ASSERT_TRUE(signTest.failure().has_value());
            EXPECT_EQ(signTest.failure()->kind, tokens::TokenFailureKind::wrongPin);
        }
        EXPECT_EQ(child<QPlainTextEdit>(*page, "signature")->toPlainText(), signature);
        shoot(*view, QStringLiteral("tokens-signtest-") + QLatin1String(run.state));
    }
    // The wrong PIN shown is worded again, from its typed value, in the language switched to.
    localization.setLanguage(common::AppLanguage::en);
    const auto banners = view->findChildren<components::InlineBanner*>();
    EXPECT_TRUE(std::any_of(banners.begin(), banners.end(), [&](components::InlineBanner* b) {
        return b->isVisibleTo(view) &&
               b->text() ==
                   "Wrong PIN. Check the PIN and try again; too many wrong tries block it.";
    }));
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
    ProvisionController form;
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
    auto closing = std::make_unique<ProvisionController>();
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

TEST_F(TokenPagesTest, OnlyA32ByteDigestReachesTheToken)
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
    tokens::TokenManager cards(nullptr, false);
    tokens::SignTestController signTest(cards);
    // No card at all: an accepted digest goes on to the token and fails there, not here.
    for (const auto& c : cases) {
        signTest.setHashHex(c.hash);
        signTest.sign();
        ASSERT_TRUE(waitUntil([&] { return !signTest.isBusy(); }));
        EXPECT_EQ(signTest.errorText().key == "Tokens_SignTest_HashLength", !c.accepted)
            << c.hash.toStdString();
        EXPECT_TRUE(signTest.signatureHex().isEmpty());
    }
}

} // namespace

namespace {

/// The "acts on" lines the page shows, by the road they name, in English.
std::pair<int, int> targetLines(QWidget& page, const QString& apduToken, const QString& p11Token)
{
    int apdu = 0;
    int pkcs11 = 0;
    for (QLabel* line : page.findChildren<QLabel*>(QStringLiteral("tokenTarget"))) {
        if (!line->isVisibleTo(&page)) {
            continue;
        }
        const QString text = line->text();
        if (text.contains(QStringLiteral("APDU through the reader"))) {
            EXPECT_TRUE(text.contains(apduToken)) << text.toStdString();
            ++apdu;
        } else {
            EXPECT_TRUE(text.contains(p11Token) &&
                        text.contains(QString::fromLatin1(orvela::testing::kSoftHsmLibrary)) &&
                        text.contains(QStringLiteral(", slot ")))
                << text.toStdString();
            ++pkcs11;
        }
    }
    return {apdu, pkcs11};
}

TEST_F(TokenPagesTest, EverySectionSaysWhichTokenItActsOnAndTwoDifferentTokensAreNamed)
{
    Pkcs11Road road;
    road.provision(); // labelled "Orvela"; the card in the reader is another token
    plug();
    localization.setLanguage(common::AppLanguage::en);
    auto page = open();
    page->showDetail();
    auto* differ = child<components::InlineBanner>(*page, "tokensDiffer");
    ASSERT_TRUE(waitUntil([&] { return differ->isVisibleTo(page.get()); }));
    EXPECT_TRUE(differ->text().contains(QStringLiteral("“Orvela Test Token”")) &&
                differ->text().contains(QStringLiteral("“Orvela” — PKCS#11")))
        << differ->text().toStdString();
    // Diagnostics, erase, provisioning and the sign test by the card; diagnostics, the three
    // PIN sections, objects, key, request and provisioning by PKCS#11.
    EXPECT_EQ(targetLines(*page, "Orvela Test Token", "“Orvela”"), std::make_pair(4, 8));
    page->signTest().setMode(tokens::SignMode::pkcs11);
    EXPECT_EQ(targetLines(*page, "Orvela Test Token", "“Orvela”"), std::make_pair(3, 9));
    page->provision().chooseApdu(); // its form shows the card's token alone
    EXPECT_EQ(targetLines(*page, "Orvela Test Token", "“Orvela”"), std::make_pair(3, 8));
    page->provision().startOver();
    page->signTest().setMode(tokens::SignMode::apdu);
    page->resize(640, 1300);
    localization.setLanguage(common::AppLanguage::mn);
    EXPECT_TRUE(differ->text().startsWith(QStringLiteral("Хоёр өөр токен."))) << "worded again";
    shoot(*page, QStringLiteral("tokens-detail-two-tokens"));

    // One token on both roads: nothing to warn about.
    plug(sim::VirtualToken::Mode::aes, "Orvela");
    manager->refresh();
    EXPECT_TRUE(waitUntil([&] { return !differ->isVisibleTo(page.get()); }));
}

} // namespace
