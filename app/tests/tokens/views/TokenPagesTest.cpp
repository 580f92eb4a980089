// The tokens page over the shell's kind of token manager: hot-plug seen without a refresh, the
// detail screen's status, secret fields, and a picture of every state in both languages.

#include "../TokenPromptsFake.h"
#include "Screenshot.h"
#include "TokenViewFixture.h"
#include "components/AccentBadge.h"
#include "components/InlineBanner.h"
#include "shell/Appearance.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"
#include "tokens/views/ProvisionSection.h"
#include "tokens/views/TokenDetailView.h"
#include "tokens/views/TokenSignTestView.h"
#include "tokens/views/TokensListView.h"
#include "tokens/views/TokensView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>

using namespace orvela;
using common::AppLanguage;
using orvela::testing::Pkcs11Road;
using orvela::testing::saveScreenshot;
using orvela::testing::waitUntil;
using tokens::ProvisionStep;
using tokens::views::TokensView;

namespace {

QString suffix(AppLanguage language)
{
    return QLatin1Char('-') + common::rawValue(language);
}

class TokenPagesTest : public orvela::testing::TokenViewFixture {
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
        return page;
    }

    template <class T> static T* child(QWidget& page, const char* name)
    {
        T* found = page.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    /// Waits until the manager has read the token, or seen that there is none.
    bool settled()
    {
        return waitUntil([&] { return cardWorkerIdle() && (!token || manager->tokenInfo()); });
    }

    orvela::testing::AnsweringPrompts::Answers answers;
    std::unique_ptr<tokens::TokenManager> manager;
};

TEST_F(TokenPagesTest, TheListShowsNoTokenThenAnInsertedOneWithoutARefresh)
{
    tokenkit::TokenManager::shared().setBackend(std::make_shared<sim::VirtualReaderBackend>(0));
    auto page = open();
    ASSERT_TRUE(settled());
    for (AppLanguage language : common::kAllAppLanguages) {
        localization.setLanguage(language);
        EXPECT_TRUE(child<QWidget>(*page, "tokensEmpty")->isVisibleTo(page.get()));
        EXPECT_FALSE(child<QWidget>(*page, "tokenRow")->isVisibleTo(page.get()));
        EXPECT_FALSE(saveScreenshot(*page, "tokens-list-empty" + suffix(language)).isEmpty());
    }

    // A reader with a card arriving while the page is open.
    tokenkit::TokenManager::shared().setBackend(reader);
    page = open();
    ASSERT_TRUE(settled());
    EXPECT_EQ(child<QLabel>(*page, "tokenName")->text(), localization.localized(QStringLiteral("Tokens_Default_Name")));
    EXPECT_EQ(child<QLabel>(*page, "tokenBadge")->text(), QStringLiteral("APDU"));
    plug(sim::VirtualToken::Mode::aesFips, "Orvela FIPS Token");
    ASSERT_TRUE(waitUntil(
        [&] { return child<QLabel>(*page, "tokenName")->text() == QStringLiteral("Orvela FIPS Token"); }));
    EXPECT_EQ(child<QLabel>(*page, "tokenBadge")->text(), QStringLiteral("FIPS"));
    for (AppLanguage language : common::kAllAppLanguages) {
        localization.setLanguage(language);
        saveScreenshot(*page, "tokens-list-fips" + suffix(language));
    }
}

TEST_F(TokenPagesTest, TheDetailScreenSaysAtOnceWhenTheCardIsPulled)
{
    plug(sim::VirtualToken::Mode::aes, "Orvela Test Token");
    auto page = open();
    ASSERT_TRUE(settled());
    for (AppLanguage language : common::kAllAppLanguages) {
        localization.setLanguage(language);
        EXPECT_EQ(child<QLabel>(*page, "tokenBadge")->text(), QStringLiteral("APDU"));
        saveScreenshot(*page, "tokens-list-present" + suffix(language));
    }
    page->showDetail();
    auto* notice = child<components::InlineBanner>(*page, "disconnectedNotice");
    EXPECT_FALSE(notice->isVisibleTo(page.get()));
    for (AppLanguage language : common::kAllAppLanguages) {
        localization.setLanguage(language);
        EXPECT_EQ(child<QLabel>(*page, "statusTitle")->text(),
                  localization.localized(QStringLiteral("Tokens_Connected")));
        saveScreenshot(*page, "tokens-detail-connected" + suffix(language));
    }

    reader->setPresent(0, false);
    EXPECT_TRUE(waitUntil([&] { return notice->isVisibleTo(page.get()); }));
    for (AppLanguage language : common::kAllAppLanguages) {
        localization.setLanguage(language);
        EXPECT_EQ(child<QLabel>(*page, "statusTitle")->text(),
                  localization.localized(QStringLiteral("Tokens_Disconnected")));
        saveScreenshot(*page, "tokens-detail-disconnected" + suffix(language));
    }
}

TEST_F(TokenPagesTest, LeavingTheDetailScreenForgetsThePins)
{
    plug();
    auto page = open();
    page->showDetail();
    page->provision().chooseApdu();
    page->signTest().setMode(tokens::SignMode::pkcs11);
    QList<QLineEdit*> fields = page->findChild<tokens::views::ProvisionSection*>()->findChildren<QLineEdit*>();
    fields += page->findChild<tokens::views::TokenSignTestView*>()->findChildren<QLineEdit*>();
    int secret = 0;
    for (QLineEdit* field : std::as_const(fields)) {
        if (field->echoMode() == QLineEdit::Password) {
            ++secret;
            field->setText(QStringLiteral("123456"));
            emit field->textEdited(field->text());
        }
    }
    EXPECT_EQ(secret, 7); // three per provisioning road, one in the sign test
    EXPECT_EQ(page->provision().userPin(), QStringLiteral("123456"));
    EXPECT_EQ(page->signTest().userPin(), QStringLiteral("123456"));

    child<QPushButton>(*page, "backButton")->click();
    EXPECT_FALSE(page->isShowingDetail());
    EXPECT_TRUE(page->provision().userPin().isEmpty());
    EXPECT_TRUE(page->provision().soPin().isEmpty());
    EXPECT_TRUE(page->signTest().userPin().isEmpty());
    for (QLineEdit* field : page->findChildren<QLineEdit*>()) {
        if (field->echoMode() == QLineEdit::Password) {
            EXPECT_TRUE(field->text().isEmpty());
        }
    }
}

TEST_F(TokenPagesTest, ProvisioningAsksFirstAndPicturesOfEveryStep)
{
    Pkcs11Road road;
    road.provision(); // a SoftHSM2 token in use, opened by its user PIN
    plug();
    auto page = open();
    ASSERT_TRUE(settled());
    page->showDetail();
    tokens::ProvisionController& provision = page->provision();
    auto* section = page->findChild<tokens::views::ProvisionSection*>();
    ASSERT_NE(section, nullptr);
    const auto shoot = [&](const char* step) {
        for (AppLanguage language : common::kAllAppLanguages) {
            localization.setLanguage(language);
            EXPECT_FALSE(
                saveScreenshot(*section, QStringLiteral("tokens-provision-%1").arg(step) + suffix(language))
                    .isEmpty());
        }
    };
    // Either road wipes the token: a refusal keeps the form and sends nothing, a yes runs.
    const auto press = [&](const char* action, bool agree) {
        answers.confirm = agree;
        const int asked = answers.confirmations;
        child<QPushButton>(*page, action)->click();
        EXPECT_EQ(answers.confirmations, asked + 1) << action;
    };
    shoot("choose");
    provision.choosePkcs11();
    shoot("pkcs11Pins");
    provision.setSoPin(QString::fromLatin1(Pkcs11Road::soPin));
    provision.setUserPin(QStringLiteral("654321"));
    provision.setUserPinRepeat(QStringLiteral("654321"));
    press("provisionPkcs11Action", false);
    EXPECT_EQ(provision.step(), ProvisionStep::pkcs11Pins);
    EXPECT_NO_THROW(tokens::TokenProvisioner().listObjects(Pkcs11Road::userPin));
    press("provisionPkcs11Action", true);
    ASSERT_TRUE(waitUntil([&] { return !provision.isBusy(); }));
    ASSERT_EQ(provision.step(), ProvisionStep::done) << provision.errorText().toStdString();
    EXPECT_NO_THROW(tokens::TokenProvisioner().listObjects("654321"));
    provision.startOver();
    provision.chooseApdu();
    provision.setUserPin(QStringLiteral("123456"));
    provision.setUserPinRepeat(QStringLiteral("123456"));
    provision.setSoPin(QStringLiteral("12345678"));
    shoot("apduPins");
    provision.setUserPin(QStringLiteral("12345678901234567"));
    provision.setUserPinRepeat(QStringLiteral("12345678901234567"));
    provision.provision();
    shoot("error");
    provision.setUserPin(QStringLiteral("123456"));
    provision.setUserPinRepeat(QStringLiteral("123456"));
    press("provisionApduAction", false);
    EXPECT_EQ(provision.step(), ProvisionStep::apduPins);
    ASSERT_TRUE(cardWorkerIdle());
    EXPECT_FALSE(token->pinTriesLeft(1).has_value()); // still blank: no PIN installed
    // The card worker waits behind a gate, so the picture catches the run before it ends.
    QSemaphore gate;
    QObject gateContext;
    tokens::runCardWork(
        &gateContext, [&] { gate.acquire(); }, [](const auto&) {});
    press("provisionApduAction", true);
    EXPECT_EQ(provision.step(), ProvisionStep::working);
    shoot("working");
    gate.release();
    ASSERT_TRUE(waitUntil([&] { return !provision.isBusy(); }));
    ASSERT_EQ(provision.step(), ProvisionStep::done);
    shoot("done");
}

TEST_F(TokenPagesTest, PicturesOfTheSignTestAndOfTheDarkDetailScreen)
{
    Pkcs11Road road;
    road.provision();
    const QString document = dir.filePath(QStringLiteral("contract.pdf"));
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.7 sign test");
    file.close();
    plug();
    answers.openPath = document;
    auto page = open();
    ASSERT_TRUE(settled());
    page->showDetail();
    auto* view = page->findChild<tokens::views::TokenSignTestView*>();
    ASSERT_NE(view, nullptr);
    const auto shoot = [&](const char* state) {
        for (AppLanguage language : common::kAllAppLanguages) {
            localization.setLanguage(language);
            saveScreenshot(*view, QStringLiteral("tokens-signtest-%1").arg(state) + suffix(language));
        }
    };
    tokens::SignTestController& signTest = page->signTest();
    shoot("idle");

    view->chooseFile();
    ASSERT_TRUE(waitUntil([&] { return signTest.isHashReady(); }));
    signTest.setMode(tokens::SignMode::pkcs11);
    signTest.setUserPin(Pkcs11Road::userPin);
    signTest.sign();
    ASSERT_TRUE(waitUntil([&] { return !signTest.isBusy(); }));
    ASSERT_FALSE(signTest.signatureHex().isEmpty()) << signTest.errorText().toStdString();
    EXPECT_EQ(child<QPlainTextEdit>(*page, "signature")->toPlainText(), signTest.signatureHex());
    shoot("done");

    signTest.setUserPin(QStringLiteral("000000"));
    signTest.sign();
    ASSERT_TRUE(waitUntil([&] { return !signTest.isBusy(); }));
    EXPECT_FALSE(signTest.errorText().isEmpty());
    shoot("error");

    shell::Appearance::apply(shell::ThemeMode::dark);
    page->resize(560, 900);
    for (AppLanguage language : common::kAllAppLanguages) {
        localization.setLanguage(language);
        saveScreenshot(*page, "tokens-detail-dark" + suffix(language));
    }
    shell::Appearance::apply(shell::ThemeMode::system);
}

} // namespace
