// Token failures from the error a lower layer raises to the words a person reads: every kind a
// person can act on, provoked for real on the sign test's screen and on `orvela token sign`,
// must read the same in both, in both languages, and say what to do.

#include "../support/EventLoop.h"
#include "../support/QtPrinters.h"
#include "AnsweringPrompts.h"
#include "CliRun.h"
#include "SoftHsmToken.h"
#include "common/LocalizationService.h"
#include "components/InlineBanner.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "orvela/tokenkit/PcscError.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenTargets.h"
#include "tokens/views/TokenSignTestView.h"

#include <QSettings>
#include <stdexcept>

using orvela::common::AppLanguage;
using orvela::tokenkit::CSRError;
using orvela::tokenkit::P11Error;
using orvela::tokenkit::PcscError;
using orvela::tokenkit::TokenError;
using namespace orvela::tokens;
using Kind = TokenFailureKind;

namespace {

using orvela::clitest::hasCyrillic;

/// The reader backend of a PC/SC service that is not running.
class StoppedService : public orvela::tokenkit::ReaderBackend {
public:
    std::vector<std::string> listReaders() override { throw TokenError::readerNotConnected(); }
    std::unique_ptr<orvela::tokenkit::CardSession> connect(const std::string&) override
    {
        throw TokenError::readerNotConnected();
    }
    std::unique_ptr<orvela::tokenkit::CardEventWaiter> makeEventWaiter() override
    {
        return nullptr;
    }
};

class TokenFailureTest : public ::testing::Test {};

TEST_F(TokenFailureTest, EveryErrorOfTheLowerLayersGetsItsKindAndNeverReadsAsABareCode)
{
    // Readers whose service is down, asked when a reader is not connected.
    const orvela::tokenkit::CardReaders stopped(std::make_shared<StoppedService>());
    struct Case {
        std::exception_ptr error;
        Kind kind;
        /// What the words must carry besides the message: a path, a code; "" for nothing.
        const char* detail;
    };
    const auto row = [](auto error, Kind kind, const char* detail = "") {
        return Case{std::make_exception_ptr(std::move(error)), kind, detail};
    };
    const Case cases[] = {
        row(TokenError::pinVerifyFailed(0), Kind::pinBlocked),
        row(TokenError::signFailed("SW=6A88"), Kind::noKey),
        row(TokenError::unexpectedStatus(0x6A88), Kind::noKey),
        row(TokenError::unexpectedStatus(0x6A80), Kind::cardRefused, "SW=6A80"),
        row(TokenError::transmitFailed("timeout"), Kind::cardRefused, "timeout"),
        row(TokenError::readerNotConnected(), Kind::serviceNotRunning),
        row(P11Error::libraryNotFound("/usr/lib/libtessel.so", "no such file"),
            Kind::libraryMissing, "/usr/lib/libtessel.so (no such file)"),
        row(P11Error::symbolNotFound("C_DestroyObject"), Kind::libraryRefused, "C_DestroyObject"),
        row(P11Error::ckError("C_GenerateKeyPair", 0x05), Kind::libraryRefused,
            "C_GenerateKeyPair, CKR=0x00000005"),
        row(P11Error::ckError("C_Login", 0xA0), Kind::wrongPin),
        row(P11Error::ckError("C_OpenSession", 0xE1), Kind::noTokenInSlot),
        row(P11Error::ckError("C_Sign", 0x32), Kind::cardRemoved),
        // The module's own look-up answers no code; "CKR=0x00000000" would read as success.
        row(P11Error::ckError("findPublicKey (not found)", 0), Kind::noKey),
        row(P11Error::ckError("object_not_found", 0), Kind::noObject),
        row(CSRError::signerFailed("card said no"), Kind::requestFailed, "card said no"),
        row(PcscError(0x8010002E, "SCardListReaders"), Kind::noReader),
        row(PcscError(PcscError::removedCard, "SCardTransmit"), Kind::cardRemoved),
        row(PcscError(PcscError::sharingViolation, "SCardConnect"), Kind::cardRefused,
            "SCardConnect, PC/SC 0x8010000B, Sharing violation."),
        row(std::runtime_error("disk full"), Kind::other, "disk full"),
    };
    for (const Case& test : cases) {
        try {
            std::rethrow_exception(test.error);
        } catch (const std::exception& error) {
            SCOPED_TRACE(error.what());
            const TokenFailure failure = failureOf(error, stopped);
            EXPECT_EQ(failure.kind, test.kind);
            const auto english = tokenFailureWords(failure, AppLanguage::en);
            const QString mongolian = tokenFailureText(failure, AppLanguage::mn);
            EXPECT_FALSE(hasCyrillic(english.what + english.advice)) << english.what.toStdString();
            EXPECT_TRUE(hasCyrillic(mongolian)) << mongolian.toStdString();
            EXPECT_EQ(english.advice.isEmpty(), test.kind == Kind::other);
            EXPECT_EQ(english.detail, QString::fromUtf8(test.detail));
            EXPECT_FALSE(english.what.contains(QStringLiteral("CKR")) ||
                         english.what.contains(QStringLiteral("SW=")) ||
                         english.what.startsWith(QStringLiteral("C_")));
        }
    }
    // The card road counts the tries; no try left is a blocked PIN whatever the card said.
    EXPECT_EQ(tokenFailureText(failureOf(TokenError::pinVerifyFailed(2)), AppLanguage::en),
              QStringLiteral("Wrong PIN. 2 tries left. Check the PIN and try again."));
    EXPECT_EQ(tokenFailureText(failureOf(TokenError::pinVerifyFailed(2)), AppLanguage::mn),
              QStringLiteral("PIN буруу байна. 2 оролдлого үлдсэн. PIN-ээ шалгаад дахин оролдоно "
                             "уу."));
}

/// A failure a person can act on, provoked on the sign test and on `orvela token sign` alike.
struct Provoked {
    Kind kind;
    /// The desktop's side: the sign test's road and what it is given.
    SignMode mode = SignMode::pkcs11;
    std::shared_ptr<orvela::tokenkit::ReaderBackend> backend{}; ///< for the card road
    int reader = 0;
    std::string library{};
    QString pin = QStringLiteral("123456");
    QString keyLabel{};
    /// The command line's words after --lang; none where only the pcscd test reaches it.
    QStringList args{};
    QProcessEnvironment env{};
    /// The reason --json names, for scripts.
    const char* reason = "";
    /// The whole English sentence; the desktop and the command line agree on it, but for the
    /// advice of a missing key, which names a command on the command line.
    QString english{};
};

class FailureRoads : public TokenFailureTest {
protected:
    FailureRoads()
    {
        EXPECT_TRUE(dir.isValid());
        stubScript = dir.filePath(QStringLiteral("stub.script"));
        qputenv("ORVELA_P11_STUB_SCRIPT", stubScript.toUtf8());
    }
    ~FailureRoads() override { qunsetenv("ORVELA_P11_STUB_SCRIPT"); }

    /// The scripted library answers `rv` to every call of `function`.
    void script(const char* function, const char* rv) const
    {
        QFile file(stubScript);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("rv ") + function + ' ' + rv + '\n');
    }

    /// Runs the sign test as the row says and returns the words its screen shows in `language`,
    /// after the failure was shown in the other language first: the words must follow a switch.
    QString desktopWords(const Provoked& row, AppLanguage language)
    {
        localization.setLanguage(language == AppLanguage::en ? AppLanguage::mn : AppLanguage::en);
        // The PKCS#11 rows reach no reader: readers with none stand in for the card road.
        auto readers = std::make_shared<orvela::tokenkit::CardReaders>(
            row.backend ? row.backend : std::make_shared<orvela::sim::VirtualReaderBackend>(0));
        TokenManager cards(readers, nullptr, false, row.reader);
        SignTestController signTest(cards, {0, row.library});
        TokenTargets targets(cards, {0, row.library});
        orvela::testing::AnsweringPrompts::Answers answers;
        orvela::testing::AnsweringPrompts prompts(answers);
        views::TokenSignTestView view(signTest, targets, localization, prompts);
        const auto* shown = view.findChild<orvela::components::InlineBanner*>("signTestError");
        signTest.setMode(row.mode);
        signTest.setUserPin(row.pin);
        signTest.setKeyLabel(row.keyLabel);
        signTest.setHashHex(QString(64, u'a'));
        signTest.sign();
        EXPECT_TRUE(orvela::testing::waitUntil([&] { return !signTest.isBusy(); }));
        EXPECT_TRUE(signTest.failure().has_value());
        if (signTest.failure()) {
            EXPECT_EQ(signTest.failure()->kind, row.kind);
        }
        const QString before = shown->text();
        localization.setLanguage(language);
        EXPECT_NE(shown->text(), before) << "a language switch re-words the error";
        return shown->text();
    }

    QTemporaryDir dir;
    QString stubScript;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    orvela::common::LocalizationService localization{&settings};
};

TEST_F(FailureRoads, EachFailureAPersonCanMendReadsTheSameOnTheScreenAndTheCommandLine)
{
    const QString hash(64, u'a');
    const QStringList sign{"--pin-stdin", "--road", "pkcs11", "token", "sign", "--hash", hash};
    const std::string softhsm = orvela::testing::kSoftHsmLibrary;
    const std::string stub = ORVELA_P11_STUB_FULL;
    const QString missing = dir.filePath(QStringLiteral("libnone.so"));
    QProcessEnvironment noService;
    noService.insert(QStringLiteral("PCSCLITE_CSOCK_NAME"), dir.filePath(QStringLiteral("none")));
    QProcessEnvironment virtualToken;
    virtualToken.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN"), QStringLiteral("aes"));
    virtualToken.insert(QStringLiteral("ORVELA_VIRTUAL_TOKEN_STATE"),
                        dir.filePath(QStringLiteral("card.state")));
    auto oneReader = std::make_shared<orvela::sim::VirtualReaderBackend>(1);
    auto withCard = std::make_shared<orvela::sim::VirtualReaderBackend>(1);
    withCard->setToken(
        0, std::make_shared<orvela::sim::VirtualToken>(orvela::sim::VirtualToken::Options{}));
    const auto on = [&](const std::string& library, QStringList more = {}) {
        return sign + QStringList{"--library", QString::fromStdString(library)} + more;
    };

    orvela::testing::SoftHsmToken hsm; // blank until the rows that need its token
    const std::vector<std::pair<std::function<void()>, Provoked>> rows{
        {{},
         {.kind = Kind::serviceNotRunning,
          .mode = SignMode::apdu,
          .backend = std::make_shared<StoppedService>(),
          .args = {"token", "sign", "--hash", hash},
          .env = noService,
          .reason = "pcscd-not-running",
          .english = "The smart-card service (pcscd) is not running. Start the smart-card "
                     "service and try again."}},
        {{},
         {.kind = Kind::noReader,
          .mode = SignMode::apdu,
          .backend = withCard,
          .reader = 3,
          .args = {"token", "sign", "--hash", hash, "--reader", "3"},
          .env = virtualToken,
          .reason = "no-reader",
          .english = "No card reader found. Connect a card reader or the token and try again."}},
        {{},
         {.kind = Kind::noCard,
          .mode = SignMode::apdu,
          .backend = oneReader,
          .reason = "no-card",
          .english = "No token found. Plug in the token, or put the card in the reader, and try "
                     "again."}},
        {{},
         {.kind = Kind::noTokenInSlot,
          .library = softhsm,
          .args = on(softhsm),
          .reason = "no-token",
          .english = "The PKCS#11 library finds no usable token. Plug in the token, or configure "
                     "a blank one, and try again."}},
        {[&] {
             orvela::tokenkit::PKCS11Module::open(softhsm)->fullProvision(
                 "12345678", "123456", "Orvela", "orvela-sign", orvela::tokenkit::Bytes{0x01});
         },
         {.kind = Kind::wrongPin,
          .library = softhsm,
          .pin = QStringLiteral("000000"),
          .args = on(softhsm),
          .reason = "wrong-pin",
          .english = "Wrong PIN. Check the PIN and try again; too many wrong tries block it."}},
        {{},
         {.kind = Kind::emptyPin,
          .library = softhsm,
          .pin = QString(),
          .args = on(softhsm),
          .reason = "empty-pin",
          .english = "The PIN is empty. Type the token's PIN and try again."}},
        {{},
         {.kind = Kind::noKey,
          .library = softhsm,
          .keyLabel = QStringLiteral("nope"),
          .args = on(softhsm, {"--key-label", "nope"}),
          .reason = "no-key",
          .english = "The token holds no signing key. Generate a signing key (a blank or erased "
                     "token needs configuring first)."}},
        {{},
         {.kind = Kind::libraryMissing,
          .library = missing.toStdString(),
          .args = on(missing.toStdString()),
          .reason = "no-pkcs11-library",
          .english = "The token's PKCS#11 library could not be loaded. Install the token's "
                     "PKCS#11 library, or choose it in the settings (PKCS#11 module) or in "
                     "ORVELA_PKCS11_LIBRARY. (details: " +
                     missing + " (No such file or directory))"}},
        {[&] { script("C_Login", "0xA4"); },
         {.kind = Kind::pinBlocked,
          .library = stub,
          .args = on(stub),
          .reason = "pin-blocked",
          .english = "The PIN is blocked. Unlock it with the PUK (SO PIN) and choose a new PIN."}},
        {[&] { script("C_OpenSession", "0x5"); },
         {.kind = Kind::libraryRefused,
          .library = stub,
          .args = on(stub),
          .reason = "pkcs11-refused",
          .english = "The token's PKCS#11 library refused the operation. Try again; if it keeps "
                     "failing, unplug the token and plug it back in. (details: C_OpenSession, "
                     "CKR=0x00000005)"}},
    };
    for (const auto& [arrange, row] : rows) {
        SCOPED_TRACE(row.reason);
        if (arrange) {
            arrange();
        }
        const QString english = desktopWords(row, AppLanguage::en);
        EXPECT_EQ(english, row.english);
        const QString mongolian = desktopWords(row, AppLanguage::mn);
        EXPECT_TRUE(hasCyrillic(mongolian)) << mongolian.toStdString();
        if (row.args.isEmpty()) {
            continue; // no card in a reader: the pcscd test's empty reader
        }
        const QByteArray pin = row.pin.toUtf8() + '\n';
        // Init-captures, since clang cannot capture a structured binding.
        const auto cli = [&args = row.args, &env = row.env, &pin](const char* language) {
            return orvela::clitest::orvela(QStringList{"--lang", language} + args, env, pin);
        };
        const orvela::clitest::CliRun en = cli("en");
        const orvela::clitest::CliRun mn = cli("mn");
        EXPECT_EQ(en.exitCode, 1);
        const orvela::clitest::CliRun json =
            orvela::clitest::orvela(QStringList{"--json", "--lang", "en"} + row.args, row.env, pin);
        EXPECT_EQ(json.json().value("reason").toString(), QString::fromLatin1(row.reason));
        if (row.kind == Kind::noKey) {
            // The same words, but the advice names the command that makes a key.
            const QString what =
                tokenFailureWords(failureOfKind(Kind::noKey), AppLanguage::en).what;
            EXPECT_TRUE(en.err.startsWith(what + u' ')) << en.err.toStdString();
            EXPECT_TRUE(en.err.contains(QStringLiteral("orvela --road pkcs11 token keygen")));
            continue;
        }
        EXPECT_EQ(en.err, english + u'\n');
        EXPECT_EQ(mn.err, mongolian + u'\n');
    }
}

} // namespace
