// The tokens page's sign test: a chosen file's digest signed on both roads, a wrong PIN, and
// the digest check its controller makes before any token is reached.

#include "TokenPagesFixture.h"
#include "components/InlineBanner.h"
#include "tokens/SignTestController.h"
#include "tokens/views/TokenSignTestView.h"

#include <QPlainTextEdit>
#include <algorithm>

using namespace orvela;
using orvela::testing::kEmptyDigest;
using orvela::testing::Pkcs11Road;
using orvela::testing::TokenPagesTest;
using orvela::testing::waitUntil;

namespace {

TEST_F(TokenPagesTest, TheSignTestHashesAChosenFileAndSignsOnBothRoadsAndAWrongPinSaysSo)
{
    Pkcs11Road road;
    road.provision();
    answers.openPath = write("contract.pdf", {});
    plug();
    tokens::TokenProvisioner card(onReaders()); // the same user PIN as the SoftHSM2 token's
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
    tokens::TokenManager cards(readers, nullptr, false);
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
