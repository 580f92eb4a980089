// The administration sections of the token detail screen, against SoftHSM2 and the in-process
// virtual token: their logic through the view's own controller, the view where it decides
// something (enabling, confirmation, clipboard, saving), and a picture of each state.

#include "../../support/QtPrinters.h"
#include "AnsweringPrompts.h"
#include "TestCertificates.h"
#include "TokenScreenFixture.h"
#include "components/ActionButton.h"
#include "tokens/TokenAdminController.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/TokenTargets.h"
#include "tokens/views/AdminCsrSection.h"
#include "tokens/views/AdminEraseSection.h"
#include "tokens/views/AdminPinSection.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/TokenAdminView.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <functional>

namespace {

using namespace orvela;
namespace ot = orvela::testing;
using ot::Pkcs11Road;
using ot::waitUntil;
using tokens::AdminActionState;
using tokens::AdminPinController;
using tokens::views::AdminPinSection;

class TokenAdminTest : public ot::TokenScreenFixture {
protected:
    TokenAdminTest()
    {
        view.resize(900, 2300);
        targets.refresh();
    }

    static bool finished(const AdminActionState& state)
    {
        return waitUntil([&] { return !state.isBusy(); });
    }

    static void fill(AdminPinController& pins, const char* current, const char* next)
    {
        pins.setCurrent(QString::fromLatin1(current));
        pins.setNewPin(QString::fromLatin1(next));
        pins.setConfirmation(QString::fromLatin1(next));
    }

    /// Runs one action to its end and checks whether it failed.
    void settle(const AdminActionState& state, bool error, const std::function<void()>& action)
    {
        action();
        ASSERT_TRUE(finished(state));
        EXPECT_EQ(state.isError(), error) << state.shownText(localization).toStdString();
    }

    /// The button showing `text` inside `parent`.
    static QPushButton* button(QWidget& parent, const QString& text)
    {
        const auto buttons = parent.findChildren<QPushButton*>();
        const auto found = std::find_if(buttons.begin(), buttons.end(),
                                        [&](QPushButton* b) { return b->text() == text; });
        EXPECT_NE(found, buttons.end()) << text.toStdString();
        return found != buttons.end() ? *found : nullptr;
    }

    /// "kind label id keyType" of every shown object, sorted: the token picks the order.
    std::vector<std::string> shownObjects()
    {
        std::vector<std::string> rows;
        for (const auto& o : controller.objects().objects()) {
            rows.push_back(o.kind + " " + o.label + " " + o.idHex + " " + o.keyType);
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    Pkcs11Road road;
    std::unique_ptr<tokens::TokenManager> manager = settledManager();
    ot::AnsweringPrompts::Answers answers;
    ot::AnsweringPrompts prompts{answers};
    tokens::TokenTargets targets{*manager, {}};
    tokens::views::TokenAdminView view{*manager, targets, localization, prompts};
    tokens::TokenAdminController& controller = view.controller();

private:
    /// Provisions both tokens, then makes the manager; its first read holds the card for a
    /// moment, which a test's own card session would otherwise wait for.
    std::unique_ptr<tokens::TokenManager> settledManager()
    {
        road.provision();
        plug();
        auto made = std::make_unique<tokens::TokenManager>(readers, nullptr, false);
        EXPECT_TRUE(waitUntil([&] { return made->tokenInfo().has_value(); }));
        return made;
    }
};

TEST_F(TokenAdminTest, PinSectionsTakeOnlyMatchingPinsAndAWrongSoPinKeepsTheForm)
{
    const struct {
        const char* first;
        const char* next;
        const char* confirmation;
        bool enabled;
    } cases[] = {
        {"1234", "5678", "5678", true},   {"123", "5678", "5678", false},
        {"1234", "567", "567", false},    {"1234", "5678", "5679", false},
        {"1234", "5678", "56789", false}, {"", "", "", false},
    };
    view.show();
    shoot(view, QStringLiteral("tokens-admin-idle"));
    const auto sections = view.findChildren<AdminPinSection*>();
    ASSERT_EQ(sections.size(), 3);
    for (AdminPinSection* section : sections) {
        for (const auto& c : cases) {
            const char* typed[] = {c.first, c.next, c.confirmation};
            for (std::size_t i = 0; i < 3; ++i) {
                section->fields()[i]->clear();
                QTest::keyClicks(section->fields()[i], QString::fromLatin1(typed[i]));
            }
            EXPECT_EQ(section->actionButton()->isEnabled(), c.enabled)
                << section->title().toStdString() << " " << c.next << "/" << c.confirmation;
        }
    }

    AdminPinController& unlock = controller.unlockPin();
    fill(unlock, "87654321", "4321");
    settle(unlock.state(), true, [&] { unlock.submit(); });
    ASSERT_TRUE(unlock.state().failure().has_value());
    EXPECT_EQ(unlock.state().failure()->kind, tokens::TokenFailureKind::wrongPin);
    EXPECT_EQ(unlock.current(), QStringLiteral("87654321"));
    EXPECT_EQ(unlock.confirmation(), QStringLiteral("4321"));
    fill(unlock, Pkcs11Road::soPin, "4321");
    settle(unlock.state(), false, [&] { unlock.submit(); });

    AdminPinController& change = controller.changePin();
    fill(change, "4321", "6543");
    settle(change.state(), false, [&] { change.submit(); });
    EXPECT_EQ(change.state().message().key, "Tokens_ChangePin_Done");
    EXPECT_TRUE(change.current().isEmpty() && change.newPin().isEmpty() &&
                change.confirmation().isEmpty());
    EXPECT_EQ(tokens::TokenProvisioner().listObjects("6543").size(), 2u);
}

TEST_F(TokenAdminTest, ObjectsAreListedDeletedAndOnlyASingleCertificateIsImported)
{
    auto& objects = controller.objects();
    objects.setPin(QString::fromLatin1(Pkcs11Road::userPin));
    settle(objects.state(), false, [&] { objects.load(); });
    EXPECT_EQ(shownObjects(), (std::vector<std::string>{"privateKey orvela-sign 01 EC",
                                                        "publicKey orvela-sign 01 EC"}));

    const QByteArray der = ot::makeCertificate();
    settle(objects.state(), true, [&] { objects.importFile(write("two.der", der + der)); });
    EXPECT_EQ(objects.state().message().key, "Tokens_Import_NotCertificate");
    settle(objects.state(), false, [&] { objects.importFile(write("c.der", der)); });
    EXPECT_EQ(objects.state().message().key, "Token_Import_Done");
    ASSERT_TRUE(waitUntil([&] { return objects.objects().size() == 3; }));

    settle(objects.state(), false,
           [&] { objects.remove(QStringLiteral("01"), QStringLiteral("publicKey")); });
    EXPECT_EQ(shownObjects(), (std::vector<std::string>{"certificate eid-cert 01 ",
                                                        "privateKey orvela-sign 01 EC"}));
    EXPECT_EQ(tokens::TokenProvisioner().listObjects(Pkcs11Road::userPin).size(), 2u);
}

TEST_F(TokenAdminTest, SectionsPressedTogetherAllSucceed)
{
    // Each action opens the same library; overlapping, one's C_Finalize would end the others.
    controller.objects().setPin(QString::fromLatin1(Pkcs11Road::userPin));
    controller.setGenKeyPin(QString::fromLatin1(Pkcs11Road::userPin));
    controller.objects().load();
    controller.generateKey();
    controller.testSlots();
    shoot(view, QStringLiteral("tokens-admin-working"));
    for (const AdminActionState* state :
         {&controller.objects().state(), &controller.genKey(), &controller.slotTest()}) {
        ASSERT_TRUE(finished(*state));
        EXPECT_FALSE(state->isError()) << state->shownText(localization).toStdString();
    }
    EXPECT_EQ(localization.localized(controller.slotTest().message()), "Слот олдлоо: 2");
    road.point("/nonexistent/libpkcs11.so");
    settle(controller.slotTest(), true, [&] { controller.testSlots(); });
    ASSERT_TRUE(controller.slotTest().failure().has_value());
    EXPECT_EQ(controller.slotTest().failure()->kind, tokens::TokenFailureKind::libraryMissing);
}

TEST_F(TokenAdminTest, ARequestWithoutKeyLabelIsCopiedAndSavedWhole)
{
    auto& csr = controller.csr();
    csr.setRegistryNumber(QStringLiteral("АБ12345678"));
    csr.setPin(QString::fromLatin1(Pkcs11Road::userPin));
    settle(csr.state(), false, [&] { csr.submit(); });
    const QString pem = csr.pem();
    EXPECT_TRUE(pem.startsWith(QStringLiteral("-----BEGIN CERTIFICATE REQUEST-----\n")));
    EXPECT_TRUE(pem.endsWith(QStringLiteral("-----END CERTIFICATE REQUEST-----\n")));
    // A label no key carries fails in the section and keeps the last request.
    csr.setKeyLabel(QStringLiteral("missing"));
    settle(csr.state(), true, [&] { csr.submit(); });
    EXPECT_EQ(csr.pem(), pem);

    auto* section = view.findChild<tokens::views::AdminCsrSection*>();
    QGuiApplication::clipboard()->setText(QStringLiteral("stale"));
    button(*section, localization.localized(QStringLiteral("Tokens_Csr_Copy")))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), pem);
    const QString save = localization.localized(QStringLiteral("Tokens_Csr_Save"));
    answers.savePath = dir.filePath(QStringLiteral("request.csr"));
    settle(csr.saveState(), false, [&] { button(*section, save)->click(); });
    QFile saved(answers.savePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), pem.toUtf8());
    answers.savePath = dir.filePath(QStringLiteral("missing/request.csr"));
    settle(csr.saveState(), true, [&] { button(*section, save)->click(); });
    EXPECT_TRUE(csr.saveState().message().argument.contains(answers.savePath));
    EXPECT_FALSE(QFile::exists(answers.savePath));
    // The failed save names its path and the system's reason, which are not the product's words.
    shoot(view, QStringLiteral("tokens-admin-done"), {csr.saveState().message().argument});
}

TEST_F(TokenAdminTest, EraseAsksFirstAndAPulledCardFailsTheCardSections)
{
    tokens::TokenProvisioner({0, std::nullopt, readers})
        .initializeApdu(tokenkit::toBytes("123456"), tokenkit::toBytes("12345678"));
    settle(controller.connectionTest(), false, [&] { controller.testConnection(); });
    EXPECT_EQ(controller.connectionTest().message().key, "Tokens_Diag_ConnectionOk");

    QPushButton* erase = button(*view.findChild<tokens::views::AdminEraseSection*>(),
                                localization.localized(QStringLiteral("Tokens_Erase_Action")));
    ASSERT_TRUE(erase);
    erase->click();
    EXPECT_EQ(answers.confirmations, 1);
    ot::runEventLoopFor(100);
    EXPECT_TRUE(token->pinTriesLeft(1).has_value()) << "erased without a yes";
    answers.confirm = true;
    settle(controller.erase(), false, [&] { erase->click(); });
    EXPECT_EQ(answers.confirmations, 2);
    EXPECT_EQ(controller.erase().message().key, "Tokens_Erase_Done");
    EXPECT_FALSE(token->pinTriesLeft(1).has_value()); // the user PIN went with the rest

    reader->setPresent(0, false);
    settle(controller.connectionTest(), true, [&] { controller.testConnection(); });
    settle(controller.erase(), true, [&] { controller.eraseToken(); });
    for (const AdminActionState* state : {&controller.connectionTest(), &controller.erase()}) {
        ASSERT_TRUE(state->failure().has_value());
        EXPECT_EQ(state->failure()->kind, tokens::TokenFailureKind::noCard);
    }
    // The shown error is worded again, from its typed value, when the language changes.
    auto* line = view.findChild<tokens::views::AdminEraseSection*>()
                     ->findChild<tokens::views::AdminStatusLine*>();
    ASSERT_NE(line, nullptr);
    for (const auto language : {common::AppLanguage::en, common::AppLanguage::mn}) {
        localization.setLanguage(language);
        EXPECT_EQ(line->text(), tokens::tokenFailureText(*controller.erase().failure(), language));
    }
    shoot(view, QStringLiteral("tokens-admin-error"));
}

TEST_F(TokenAdminTest, ADestroyedControllerGetsNoLateResult)
{
    auto doomed = std::make_unique<tokens::TokenAdminController>(*manager);
    doomed->setGenKeyPin(QString::fromLatin1(Pkcs11Road::userPin));
    doomed->generateKey();
    doomed->eraseToken();
    doomed.reset();
    // The work itself runs to its end; only its hand-back is dropped.
    tokens::pkcs11Worker().waitForDone();
    tokens::cardWorker().waitForDone();
    ot::runEventLoopFor(200);
    EXPECT_EQ(tokens::TokenProvisioner().listObjects(Pkcs11Road::userPin).size(), 4u);
}

} // namespace
