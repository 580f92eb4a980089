// The tokens page over the shell's kind of token manager: hot-plug seen without a refresh, the
// detail screen's status, secret fields, confirmation before a wipe, and a picture of every
// state.

#include "../TokenPromptsFake.h"
#include "../TokenScreenFixture.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"
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
using tokens::ProvisionStep;
using tokens::views::TokensView;

namespace {

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

    orvela::testing::AnsweringPrompts::Answers answers;
    std::unique_ptr<tokens::TokenManager> manager;
};

TEST_F(TokenPagesTest, ATokenIsSeenArrivingAndLeavingWithoutARefresh)
{
    tokenkit::TokenManager::shared().setBackend(std::make_shared<sim::VirtualReaderBackend>(0));
    auto page = open();
    EXPECT_TRUE(child<QWidget>(*page, "tokensEmpty")->isVisibleTo(page.get()));
    shoot(*page, QStringLiteral("tokens-list-empty"));

    tokenkit::TokenManager::shared().setBackend(reader);
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
    tokenkit::TokenManager::shared().setBackend(std::make_shared<sim::VirtualReaderBackend>(0));
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

TEST_F(TokenPagesTest, ProvisioningAsksBeforeItWipesTheToken)
{
    Pkcs11Road road;
    road.provision(); // a SoftHSM2 token in use, opened by its user PIN
    plug();
    auto page = open();
    page->showDetail();
    tokens::ProvisionController& provision = page->provision();
    auto* section = page->findChild<tokens::views::ProvisionSection*>();
    ASSERT_NE(section, nullptr);
    const auto fill = [&](const QString& user) {
        provision.setUserPin(user);
        provision.setUserPinRepeat(user);
        provision.setSoPin(QString::fromLatin1(Pkcs11Road::soPin));
    };
    shoot(*section, QStringLiteral("tokens-provision-choose"));

    provision.choosePkcs11();
    fill(QStringLiteral("654321"));
    press(*page, "provisionPkcs11Action", false);
    EXPECT_EQ(provision.step(), ProvisionStep::pkcs11Pins);
    EXPECT_NO_THROW(tokens::TokenProvisioner().listObjects(Pkcs11Road::userPin));

    provision.startOver();
    provision.chooseApdu();
    fill(QStringLiteral("123456"));
    shoot(*section, QStringLiteral("tokens-provision-apduPins"));
    fill(QStringLiteral("12345678901234567"));
    provision.provision();
    EXPECT_FALSE(provision.errorText().isEmpty());
    shoot(*section, QStringLiteral("tokens-provision-error"));
    fill(QStringLiteral("123456"));
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
    ASSERT_EQ(provision.step(), ProvisionStep::done) << provision.errorText().toStdString();
    shoot(*section, QStringLiteral("tokens-provision-done"));
}

TEST_F(TokenPagesTest, PicturesOfTheSignTest)
{
    Pkcs11Road road;
    road.provision();
    answers.openPath = dir.filePath(QStringLiteral("contract.pdf"));
    QFile file(answers.openPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.7 sign test");
    file.close();
    plug();
    auto page = open();
    page->showDetail();
    auto* view = page->findChild<tokens::views::TokenSignTestView*>();
    ASSERT_NE(view, nullptr);
    tokens::SignTestController& signTest = page->signTest();
    shoot(*view, QStringLiteral("tokens-signtest-idle"));

    view->chooseFile();
    ASSERT_TRUE(waitUntil([&] { return signTest.isHashReady(); }));
    signTest.setMode(tokens::SignMode::pkcs11);
    const std::pair<const char*, const char*> runs[] = {{Pkcs11Road::userPin, "done"},
                                                        {"000000", "error"}};
    for (const auto& [pin, state] : runs) {
        signTest.setUserPin(QString::fromLatin1(pin));
        signTest.sign();
        ASSERT_TRUE(waitUntil([&] { return !signTest.isBusy(); }));
        EXPECT_EQ(signTest.signatureHex().isEmpty(), std::string(state) == "error") << state;
        EXPECT_EQ(child<QPlainTextEdit>(*page, "signature")->toPlainText(),
                  signTest.signatureHex());
        shoot(*view, QStringLiteral("tokens-signtest-") + QLatin1String(state));
    }
}

} // namespace
