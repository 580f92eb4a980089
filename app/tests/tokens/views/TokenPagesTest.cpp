// The tokens page's list and detail screens: hot-plug seen without a refresh, the detail
// screen's status, secret fields and which token each section acts on, with a picture of every
// state.

#include "TokenPagesFixture.h"
#include "components/Card.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "tokens/SignTestController.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

using namespace orvela;
using orvela::testing::Pkcs11Road;
using orvela::testing::TokenPagesTest;
using orvela::testing::waitUntil;

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

TEST_F(TokenPagesTest, ATokenIsSeenArrivingAndLeavingWithoutARefresh)
{
    // The real PC/SC client with no service behind its socket: the list says the service is
    // down, not that a token should be plugged in.
    qputenv("PCSCLITE_CSOCK_NAME", dir.filePath(QStringLiteral("no-pcscd")).toUtf8());
    auto page = open(std::make_shared<tokenkit::CardReaders>(tokenkit::makePcscBackend()));
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

    page = open(
        std::make_shared<tokenkit::CardReaders>(std::make_shared<sim::VirtualReaderBackend>(0)));
    EXPECT_TRUE(child<QWidget>(*page, "tokensEmpty")->isVisibleTo(page.get()));
    emptyCard = child<components::Card>(*page, "tokensEmpty");
    EXPECT_EQ(emptyCard->title(), localization.localized(QStringLiteral("Tokens_Empty_Title")));
    shoot(*page, QStringLiteral("tokens-list-empty"));

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
    readers->setBackend(std::make_shared<sim::VirtualReaderBackend>(0));
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
