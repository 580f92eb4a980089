// The administration sections on screen: enabling, confirmation, clipboard, saving, pictures.

#include "tokens/views/TokenAdminView.h"

#include "../../support/QtPrinters.h"
#include "AdminFixture.h"
#include "Screenshot.h"
#include "TestCertificate.h"
#include "TokenPromptsFake.h"
#include "common/l10n/FixedTexts.h"
#include "components/ActionButton.h"
#include "tokens/TokenAdminController.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/views/AdminCsrSection.h"
#include "tokens/views/AdminEraseSection.h"
#include "tokens/views/AdminPinSection.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace {

using namespace orvela;
namespace ot = orvela::testing;
using ot::AnsweringPrompts;
using tokens::views::AdminPinSection;
using tokens::views::TokenAdminView;
namespace admin = tokens::admin;

class TokenAdminViewTest : public ot::AdminFixture {
protected:
    TokenAdminViewTest() { view.resize(900, 2300); }

    /// The button showing `text` inside `parent`.
    static QPushButton* button(QWidget& parent, const QString& text)
    {
        for (auto* candidate : parent.findChildren<QPushButton*>()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }

    AnsweringPrompts::Answers answers;
    AnsweringPrompts prompts{answers};
    TokenAdminView view{*manager, localization, prompts};
    tokens::TokenAdminController& controller = view.controller();
};

TEST_F(TokenAdminViewTest, PinSectionsEnableOnlyForLongEnoughMatchingPins)
{
    struct Case {
        const char* first;
        const char* next;
        const char* confirmation;
        bool enabled;
    };
    const Case cases[] = {
        {"1234", "5678", "5678", true},   {"123", "5678", "5678", false},
        {"1234", "567", "567", false},    {"1234", "5678", "5679", false},
        {"1234", "5678", "56789", false}, {"", "", "", false},
    };
    view.show();
    const auto sections = view.findChildren<AdminPinSection*>();
    ASSERT_EQ(sections.size(), 3);
    for (AdminPinSection* section : sections) {
        for (const Case& c : cases) {
            SCOPED_TRACE(section->title().toStdString() + " " + c.first + "/" + c.next + "/" +
                         c.confirmation);
            const char* typed[] = {c.first, c.next, c.confirmation};
            for (std::size_t i = 0; i < 3; ++i) {
                section->fields()[i]->clear();
                QTest::keyClicks(section->fields()[i], QString::fromLatin1(typed[i]));
                EXPECT_EQ(section->fields()[i]->echoMode(), QLineEdit::Password);
            }
            EXPECT_EQ(section->actionButton()->isEnabled(), c.enabled);
        }
    }
    // A language switch shows at once.
    localization.overrideLanguage(common::AppLanguage::en);
    EXPECT_EQ(sections.at(1)->title(), QStringLiteral("Unlock PIN (SO PIN required)"));
    localization.overrideLanguage(common::AppLanguage::mn);
    EXPECT_EQ(sections.at(1)->title(), QStringLiteral("PIN тайлах (SO PIN шаардлагатай)"));

    // Leaving the screen forgets every PIN typed into it.
    view.hide();
    for (AdminPinSection* section : sections) {
        EXPECT_TRUE(section->fields()[0]->text().isEmpty());
        EXPECT_FALSE(section->actionButton()->isEnabled());
    }
    EXPECT_TRUE(controller.changePin().current().isEmpty());
}

TEST_F(TokenAdminViewTest, EraseAsksFirstAndARefusalSendsNothing)
{
    tokens::TokenProvisioner().initializeApdu(tokenkit::toBytes(std::string_view("123456")),
                                              tokenkit::toBytes(std::string_view("12345678")));
    auto* erase = view.findChild<tokens::views::AdminEraseSection*>();
    QPushButton* action = button(*erase, admin::kEraseAction);
    ASSERT_TRUE(action);
    action->click();
    EXPECT_EQ(answers.confirmations, 1);
    EXPECT_FALSE(controller.erase().isBusy());
    ot::runEventLoopFor(100);
    EXPECT_TRUE(card->pinTriesLeft(1).has_value());

    answers.confirm = true;
    action->click();
    EXPECT_EQ(answers.confirmations, 2);
    ASSERT_TRUE(finished(controller.erase()));
    EXPECT_EQ(controller.erase().message(), admin::kEraseDone);
    EXPECT_FALSE(card->pinTriesLeft(1).has_value());
}

TEST_F(TokenAdminViewTest, CopyAndSaveGiveExactlyThePem)
{
    controller.csr().setPin(QString::fromLatin1(ot::kUserPin));
    controller.csr().setRegistryNumber(QStringLiteral("AB12345678"));
    controller.csr().submit();
    ASSERT_TRUE(finished(controller.csr().state()));
    const QString pem = controller.csr().pem();
    ASSERT_TRUE(pem.endsWith(QLatin1Char('\n')));

    auto* section = view.findChild<tokens::views::AdminCsrSection*>();
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    button(*section, admin::kCopyCsr)->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), pem);

    answers.savePath = dir.filePath(QStringLiteral("request.csr"));
    button(*section, localization.localized(QStringLiteral("Tokens_Csr_Save")))->click();
    ASSERT_TRUE(finished(controller.csr().saveState()));
    EXPECT_FALSE(controller.csr().saveState().isError());
    QFile saved(answers.savePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), pem.toUtf8());

    answers.savePath = dir.filePath(QStringLiteral("missing/request.csr"));
    button(*section, localization.localized(QStringLiteral("Tokens_Csr_Save")))->click();
    ASSERT_TRUE(finished(controller.csr().saveState()));
    EXPECT_TRUE(controller.csr().saveState().isError());
    EXPECT_TRUE(controller.csr().saveState().message().contains(answers.savePath));
    EXPECT_FALSE(QFile::exists(answers.savePath));
}

TEST_F(TokenAdminViewTest, PicturesIdleAfterSuccessAndAfterErrorInBothLanguages)
{
    const QString certificate = dir.filePath(QStringLiteral("cert.der"));
    const QString junk = dir.filePath(QStringLiteral("notes.txt"));
    for (const auto& [path, bytes] : {std::pair{certificate, ot::makeCertificateDER()},
                                      std::pair{junk, QByteArray("not a certificate")}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const QString user = QString::fromLatin1(ot::kUserPin);
    auto fillPins = [](tokens::AdminPinController& pins, const QString& first,
                       const QString& next) {
        pins.setCurrent(first);
        pins.setNewPin(next);
        pins.setConfirmation(next);
    };

    for (const auto language : {common::AppLanguage::mn, common::AppLanguage::en}) {
        const QString suffix =
            language == common::AppLanguage::mn ? QStringLiteral("-mn") : QStringLiteral("-en");
        localization.overrideLanguage(language);
        TokenAdminView shown(*manager, localization, prompts);
        shown.resize(900, 2300);
        auto& c = shown.controller();
        EXPECT_EQ(shown.findChildren<AdminPinSection*>().at(0)->title(),
                  localization.localized(QStringLiteral("Tokens_Section_ChangePin")));
        EXPECT_FALSE(ot::saveScreenshot(shown, "tokens-admin-idle" + suffix).isEmpty());

        // One action at a time: every PKCS#11 action loads and unloads the same library.
        const auto settle = [](tokens::AdminActionState& state, const auto& action, bool error) {
            action();
            EXPECT_TRUE(finished(state));
            EXPECT_EQ(state.isError(), error) << state.message().toStdString();
        };

        // Success everywhere.
        settle(
            c.connectionTest(), [&] { c.testConnection(); }, false);
        settle(
            c.slotTest(), [&] { c.testSlots(); }, false);
        fillPins(c.changePin(), user, QStringLiteral("6543"));
        settle(
            c.changePin().state(), [&] { c.changePin().submit(); }, false);
        fillPins(c.changePin(), QStringLiteral("6543"), user);
        settle(
            c.changePin().state(), [&] { c.changePin().submit(); }, false);
        c.objects().setPin(user);
        answers.openPath = certificate;
        settle(
            c.objects().state(),
            [&] {
                button(shown, localization.localized(QStringLiteral("Tokens_Objects_Import")))
                    ->click();
            },
            false);
        EXPECT_TRUE(ot::waitUntil([&] { return c.objects().objects().size() == 3; }));
        c.setGenKeyPin(user);
        c.csr().setPin(user);
        c.csr().setRegistryNumber(QStringLiteral("AB12345678"));
        settle(
            c.csr().state(), [&] { c.csr().submit(); }, false);
        EXPECT_FALSE(ot::saveScreenshot(shown, "tokens-admin-success" + suffix).isEmpty());

        // The same sections failing.
        reader->setPresent(0, false);
        settle(
            c.connectionTest(), [&] { c.testConnection(); }, true);
        settle(
            c.erase(), [&] { c.eraseToken(); }, true);
        fillPins(c.unlockPin(), QStringLiteral("00000000"), QStringLiteral("4321"));
        settle(
            c.unlockPin().state(), [&] { c.unlockPin().submit(); }, true);
        fillPins(c.changeSoPin(), QStringLiteral("0000"), QStringLiteral("4321"));
        settle(
            c.changeSoPin().state(), [&] { c.changeSoPin().submit(); }, true);
        settle(
            c.objects().state(), [&] { c.objects().importFile(junk); }, true);
        c.setGenKeyPin(QStringLiteral("0000"));
        settle(
            c.genKey(), [&] { c.generateKey(); }, true);
        c.csr().setKeyLabel(QStringLiteral("missing"));
        settle(
            c.csr().state(), [&] { c.csr().submit(); }, true);
        qputenv("ORVELA_PKCS11_LIBRARY", "/nonexistent/libpkcs11.so");
        settle(
            c.slotTest(), [&] { c.testSlots(); }, true);
        qputenv("ORVELA_PKCS11_LIBRARY", ot::kSoftHsmLibrary);
        EXPECT_FALSE(ot::saveScreenshot(shown, "tokens-admin-error" + suffix).isEmpty());
        reader->setPresent(0, true);
        // Leave the token as the next language finds it: the certificate goes again.
        tokens::TokenProvisioner().deleteObject(ot::kUserPin, "01", "certificate");
    }
}

} // namespace
