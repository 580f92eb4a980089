// The administration sections' logic against SoftHSM2 and the in-process virtual token.

#include "tokens/TokenAdminController.h"

#include "../../support/QtPrinters.h"
#include "AdminFixture.h"
#include "TestCertificate.h"
#include "common/l10n/FixedTexts.h"
#include "tokens/TokenProvisioner.h"

#include <QFile>
#include <QThreadPool>
#include <algorithm>

namespace {

using namespace orvela;
namespace ot = orvela::testing;
using tokens::TokenAdminController;
namespace admin = tokens::admin;

class TokenAdminControllerTest : public ot::AdminFixture {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
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

    void loadObjects()
    {
        controller.objects().setPin(QString::fromLatin1(ot::kUserPin));
        controller.objects().load();
        ASSERT_TRUE(finished(controller.objects().state()));
        ASSERT_FALSE(controller.objects().state().isError())
            << controller.objects().state().message().toStdString();
    }

    TokenAdminController controller{*manager, localization};
};

TEST_F(TokenAdminControllerTest, WrongSoPinKeepsTheFieldsAndARightChangeClearsThem)
{
    auto& unlock = controller.unlockPin();
    unlock.setCurrent(QStringLiteral("87654321"));
    unlock.setNewPin(QStringLiteral("4321"));
    unlock.setConfirmation(QStringLiteral("4321"));
    unlock.submit();
    ASSERT_TRUE(finished(unlock.state()));
    EXPECT_TRUE(unlock.state().isError());
    EXPECT_TRUE(unlock.state().message().contains(QStringLiteral("C_Login")))
        << unlock.state().message().toStdString();
    EXPECT_EQ(unlock.current(), QStringLiteral("87654321"));
    EXPECT_EQ(unlock.confirmation(), QStringLiteral("4321"));

    auto& change = controller.changePin();
    change.setCurrent(QString::fromLatin1(ot::kUserPin));
    change.setNewPin(QStringLiteral("6543"));
    change.setConfirmation(QStringLiteral("6543"));
    change.submit();
    ASSERT_TRUE(finished(change.state()));
    EXPECT_FALSE(change.state().isError()) << change.state().message().toStdString();
    EXPECT_EQ(change.state().message(), admin::kChangePinDone);
    EXPECT_TRUE(change.current().isEmpty() && change.newPin().isEmpty() &&
                change.confirmation().isEmpty());
    // The token took the new PIN, not just the screen.
    EXPECT_EQ(tokens::TokenProvisioner().listObjects("6543").size(), 2u);
}

TEST_F(TokenAdminControllerTest, DeletingThePublicKeyRemovesOnlyItsRow)
{
    loadObjects();
    EXPECT_EQ(shownObjects(), (std::vector<std::string>{"privateKey orvela-sign 01 EC",
                                                        "publicKey orvela-sign 01 EC"}));
    controller.objects().remove(QStringLiteral("01"), QStringLiteral("publicKey"));
    ASSERT_TRUE(finished(controller.objects().state()));
    EXPECT_FALSE(controller.objects().state().isError());
    EXPECT_EQ(shownObjects(), std::vector<std::string>{"privateKey orvela-sign 01 EC"});
    EXPECT_EQ(tokens::TokenProvisioner().listObjects(ot::kUserPin).size(), 1u);
}

TEST_F(TokenAdminControllerTest, SectionsPressedTogetherAllSucceed)
{
    // Each action opens the same library; overlapping, one's C_Finalize would end the others.
    controller.objects().setPin(QString::fromLatin1(ot::kUserPin));
    controller.setGenKeyPin(QString::fromLatin1(ot::kUserPin));
    controller.objects().load();
    controller.generateKey();
    controller.testSlots();
    for (const tokens::AdminActionState* state :
         {&controller.objects().state(), &controller.genKey(), &controller.slotTest()}) {
        ASSERT_TRUE(finished(*state));
        EXPECT_FALSE(state->isError()) << state->message().toStdString();
    }
}

TEST_F(TokenAdminControllerTest, OnlyASingleCertificateIsImported)
{
    const QByteArray der = ot::makeCertificateDER();
    QByteArray spaced = ot::toPem(der);
    spaced.insert(spaced.indexOf('\n', 30), ' '); // a trailing space: the Base64 is refused
    struct Case {
        const char* name;
        QByteArray bytes;
        bool imported;
    };
    const Case cases[] = {
        {"cert.der", der, true},       {"cert.pem", ot::toPem(der, "\r\n"), true},
        {"spaced.pem", spaced, false}, {"notes.txt", "not a certificate", false},
        {"two.der", der + der, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ot::SoftHsmToken fresh;
        tokenkit::PKCS11Module::open(std::string(ot::kSoftHsmLibrary))
            ->fullProvision(ot::kSoPin, ot::kUserPin, "Orvela", "orvela-sign",
                            tokenkit::Bytes{0x01});
        loadObjects();
        controller.objects().importFile(write(QString::fromLatin1(c.name), c.bytes));
        ASSERT_TRUE(finished(controller.objects().state()));
        // A reload after an import runs on; the token is read once it has landed.
        QThreadPool::globalInstance()->waitForDone();
        ot::runEventLoopFor(50);
        const auto stored = tokens::TokenProvisioner().listObjects(ot::kUserPin);
        if (c.imported) {
            EXPECT_EQ(controller.objects().state().message(), admin::kImportDone);
            EXPECT_EQ(shownObjects().front(), "certificate eid-cert 01 ");
            EXPECT_EQ(stored.size(), 3u);
        } else {
            EXPECT_TRUE(controller.objects().state().isError());
            EXPECT_EQ(controller.objects().state().message(),
                      localization.localized(QStringLiteral("Tokens_Import_NotCertificate")));
            EXPECT_EQ(shownObjects().size(), 2u);
            EXPECT_EQ(stored.size(), 2u);
        }
    }
}

TEST_F(TokenAdminControllerTest, RequestWithoutKeyLabelUsesTheFirstKey)
{
    auto& csr = controller.csr();
    csr.setRegistryNumber(QStringLiteral("АБ12345678"));
    csr.setPin(QString::fromLatin1(ot::kUserPin));
    csr.submit();
    EXPECT_EQ(csr.state().message(), admin::kCsrProgress);
    ASSERT_TRUE(finished(csr.state()));
    ASSERT_FALSE(csr.state().isError()) << csr.state().message().toStdString();
    EXPECT_TRUE(csr.pem().startsWith(QStringLiteral("-----BEGIN CERTIFICATE REQUEST-----\n")));
    EXPECT_TRUE(csr.pem().endsWith(QStringLiteral("-----END CERTIFICATE REQUEST-----\n")));
    EXPECT_EQ(csr.state().message(), admin::csrDone(csr.pem().size()));

    // A label no key carries fails in the section and keeps the last request.
    const QString kept = csr.pem();
    csr.setKeyLabel(QStringLiteral("missing"));
    csr.submit();
    ASSERT_TRUE(finished(csr.state()));
    EXPECT_TRUE(csr.state().isError());
    EXPECT_EQ(csr.pem(), kept);
}

TEST_F(TokenAdminControllerTest, SlotTestCountsTokensAndNamesFailures)
{
    QTemporaryDir stub;
    const QString script = stub.filePath(QStringLiteral("script"));
    QFile scriptFile(script);
    ASSERT_TRUE(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write("slots 0\n");
    scriptFile.close();
    qputenv("ORVELA_P11_STUB_SCRIPT", script.toUtf8());
    struct Case {
        const char* library;
        QString expected;
        bool error;
    };
    const Case cases[] = {
        {ot::kSoftHsmLibrary, admin::kSlotsFound + QStringLiteral("2"), false},
        {ORVELA_P11_STUB_FULL, admin::kSlotsFound + QStringLiteral("0"), false},
        {"/nonexistent/libpkcs11.so", admin::kSlotTestError, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        qputenv("ORVELA_PKCS11_LIBRARY", c.library);
        controller.testSlots();
        EXPECT_EQ(controller.slotTest().message(), admin::kSlotTestProgress);
        ASSERT_TRUE(finished(controller.slotTest()));
        EXPECT_EQ(controller.slotTest().isError(), c.error);
        if (c.error) {
            EXPECT_TRUE(controller.slotTest().message().startsWith(c.expected));
            EXPECT_GT(controller.slotTest().message().size(), c.expected.size());
        } else {
            EXPECT_EQ(controller.slotTest().message(), c.expected);
        }
    }
    qunsetenv("ORVELA_P11_STUB_SCRIPT");
}

TEST_F(TokenAdminControllerTest, ConnectionTestAndEraseOverTheCardDriver)
{
    tokens::TokenProvisioner().initializeApdu(tokenkit::toBytes(std::string_view("123456")),
                                              tokenkit::toBytes(std::string_view("12345678")));
    controller.testConnection();
    ASSERT_TRUE(finished(controller.connectionTest()));
    EXPECT_EQ(controller.connectionTest().message(), admin::kConnectionOk);

    controller.eraseToken();
    EXPECT_EQ(controller.erase().message(), admin::kEraseProgress);
    ASSERT_TRUE(finished(controller.erase()));
    EXPECT_EQ(controller.erase().message(), admin::kEraseDone);
    EXPECT_FALSE(card->pinTriesLeft(1).has_value()); // the user PIN went with the rest

    reader->setPresent(0, false);
    controller.testConnection();
    ASSERT_TRUE(finished(controller.connectionTest()));
    EXPECT_EQ(controller.connectionTest().message(), admin::kConnectionFailed);
    EXPECT_TRUE(controller.connectionTest().isError());
    controller.eraseToken();
    ASSERT_TRUE(finished(controller.erase()));
    EXPECT_TRUE(controller.erase().isError());
    EXPECT_TRUE(controller.erase().message().startsWith(admin::kEraseError));
}

TEST_F(TokenAdminControllerTest, ADestroyedControllerGetsNoLateResult)
{
    auto doomed = std::make_unique<TokenAdminController>(*manager, localization);
    doomed->setGenKeyPin(QString::fromLatin1(ot::kUserPin));
    doomed->generateKey();
    doomed->eraseToken();
    doomed.reset();
    // The work itself runs to its end; only its hand-back is dropped.
    QThreadPool::globalInstance()->waitForDone();
    tokens::cardWorker().waitForDone();
    ot::runEventLoopFor(200);
    EXPECT_EQ(tokens::TokenProvisioner().listObjects(ot::kUserPin).size(), 4u);
}

} // namespace
