// How a token-layer error reads in each language, and what the person is told to do about it.

#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/ReaderBackend.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"
#include "tokens/TokenWork.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>

using orvela::common::AppLanguage;
using orvela::tokenkit::CSRError;
using orvela::tokenkit::P11Error;
using orvela::tokenkit::PcscError;
using orvela::tokenkit::TokenError;
using namespace orvela::tokens;

namespace {

bool hasCyrillic(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x0400 && c.unicode() <= 0x04FF; });
}

/// A reader backend that lists no readers, or fails the listing as a missing PC/SC service does.
class ListingBackend : public orvela::tokenkit::ReaderBackend {
public:
    explicit ListingBackend(bool serviceRunning) : m_serviceRunning(serviceRunning) {}
    std::vector<std::string> listReaders() override
    {
        if (!m_serviceRunning) {
            throw TokenError::readerNotConnected();
        }
        return {};
    }
    std::unique_ptr<orvela::tokenkit::CardSession> connect(const std::string&) override
    {
        throw TokenError::cardNotFound();
    }
    std::unique_ptr<orvela::tokenkit::CardEventWaiter> makeEventWaiter() override
    {
        return nullptr;
    }

private:
    bool m_serviceRunning;
};

/// Puts `backend` behind the kit's shared token manager for one test.
class BackendSwap {
public:
    explicit BackendSwap(bool serviceRunning)
        : m_saved(orvela::tokenkit::TokenManager::shared().backend())
    {
        orvela::tokenkit::TokenManager::shared().setBackend(
            std::make_shared<ListingBackend>(serviceRunning));
    }
    ~BackendSwap() { orvela::tokenkit::TokenManager::shared().setBackend(m_saved); }
    BackendSwap(const BackendSwap&) = delete;
    BackendSwap& operator=(const BackendSwap&) = delete;

private:
    std::shared_ptr<orvela::tokenkit::ReaderBackend> m_saved;
};

struct Case {
    const char* name;
    std::exception_ptr error;
    TokenDiagnosis diagnosis;
    /// A value the error carries, which both languages must keep; "" when none.
    QString carried;
};

template <class Error>
Case row(const char* name, Error error, TokenDiagnosis diagnosis, const char* carried = "")
{
    return {name, std::make_exception_ptr(std::move(error)), diagnosis, QString::fromUtf8(carried)};
}

TokenFailure failureIn(const Case& test, AppLanguage language,
                       HintWording wording = HintWording::desktop)
{
    try {
        std::rethrow_exception(test.error);
    } catch (const std::exception& error) {
        return failureOf(error, language, wording);
    }
}

QString kitText(const Case& test)
{
    try {
        std::rethrow_exception(test.error);
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
}

std::vector<Case> cases()
{
    using D = TokenDiagnosis;
    return {
        row("transmitFailed", TokenError::transmitFailed("timeout"), D::none, "timeout"),
        row("pinVerifyFailed 2", TokenError::pinVerifyFailed(2), D::wrongPin, "2"),
        row("pinVerifyFailed 0", TokenError::pinVerifyFailed(0), D::pinBlocked, "0"),
        row("signFailed 6A80", TokenError::signFailed("SW=6A80"), D::none, "SW=6A80"),
        row("signFailed 6A88", TokenError::signFailed("SW=6A88"), D::noKey, "SW=6A88"),
        row("unexpectedStatus 6A88", TokenError::unexpectedStatus(0x6A88), D::noKey, "6A88"),
        row("unexpectedStatus 0001", TokenError::unexpectedStatus(0x0001), D::none, "SW=0001"),
        row("readerNotConnected", TokenError::readerNotConnected(), D::serviceNotRunning),
        row("cardNotFound", TokenError::cardNotFound(), D::noCard),
        row("sessionFailed", TokenError::sessionFailed(), D::none),
        row("invalidAPDU", TokenError::invalidAPDU(), D::none),
        row("authFailed", TokenError::authFailed(), D::none),
        row("pinBlocked", TokenError::pinBlocked(), D::pinBlocked),
        row("keyGenFailed", TokenError::keyGenFailed(), D::none),
        row("certificateNotFound", TokenError::certificateNotFound(), D::none),
        row("certificateImportFailed", TokenError::certificateImportFailed(), D::none),
        row("unsupportedAlgorithm", TokenError::unsupportedAlgorithm(), D::none),
        row("secureMessagingFailed", TokenError::secureMessagingFailed(), D::none),
        row("pinTooLong", TokenError::pinTooLong(), D::none),
        row("libraryNotFound", P11Error::libraryNotFound("/usr/lib/libcastle.so", "no such file"),
            D::libraryMissing, "/usr/lib/libcastle.so (no such file)"),
        row("libraryNotFound, no path", P11Error::libraryNotFound(""), D::libraryMissing),
        row("symbolNotFound", P11Error::symbolNotFound("C_DestroyObject"), D::none,
            "C_DestroyObject"),
        row("C_Login incorrect", P11Error::ckError("C_Login", 0xA0), D::wrongPin, "C_Login"),
        row("C_Login locked", P11Error::ckError("C_Login", 0xA4), D::pinBlocked, "000000A4"),
        row("empty slot list", P11Error::ckError("getSlotList (empty)", 0), D::noTokenInSlot,
            "getSlotList (empty)"),
        row("token not present", P11Error::ckError("C_OpenSession", 0xE0), D::noTokenInSlot,
            "000000E0"),
        row("blank token", P11Error::ckError("C_OpenSession", 0xE1), D::noTokenInSlot),
        row("no private key", P11Error::ckError("findPrivateKey (not found)", 0), D::noKey),
        row("vendor code", P11Error::ckError("C_Sign", 0x80000001UL), D::none, "80000001"),
        row("signerFailed", CSRError::signerFailed("card said no"), D::none, "card said no"),
        row("invalidPublicKey", CSRError::invalidPublicKey(), D::none),
        row("no service", PcscError(0x8010001D, "SCardEstablishContext"), D::serviceNotRunning,
            "SCardEstablishContext"),
        row("no readers", PcscError(0x8010002E, "SCardListReaders"), D::noReader),
        row("no card", PcscError(0x8010000C, "SCardConnect"), D::noCard),
        row("card removed", PcscError(PcscError::removedCard, "SCardTransmit"), D::cardRemoved),
        row("sharing violation", PcscError(PcscError::sharingViolation, "SCardConnect"), D::none),
        row("anything else", std::runtime_error("disk full"), D::none, "disk full"),
    };
}

} // namespace

TEST(TokenFailure, EveryKindReadsInBothLanguagesWithItsHint)
{
    const BackendSwap noService(false);
    for (const Case& test : cases()) {
        SCOPED_TRACE(test.name);
        const TokenFailure mongolian = failureIn(test, AppLanguage::mn);
        const TokenFailure english = failureIn(test, AppLanguage::en);

        // Mongolian is the lower layer's own fixed text, word for word, and stays the default.
        EXPECT_EQ(mongolian.message, kitText(test));
        try {
            std::rethrow_exception(test.error);
        } catch (const std::exception& error) {
            EXPECT_EQ(failureOf(error).message, mongolian.message);
        }
        EXPECT_FALSE(english.message.isEmpty());
        EXPECT_FALSE(hasCyrillic(english.message)) << english.message.toStdString();
        EXPECT_TRUE(english.message.contains(test.carried)) << english.message.toStdString();

        EXPECT_EQ(mongolian.diagnosis, test.diagnosis);
        EXPECT_EQ(english.diagnosis, test.diagnosis);
        if (test.diagnosis == TokenDiagnosis::none) {
            EXPECT_TRUE(mongolian.hint.isEmpty());
            EXPECT_TRUE(english.hint.isEmpty());
        } else {
            EXPECT_TRUE(hasCyrillic(mongolian.hint)) << mongolian.hint.toStdString();
            EXPECT_FALSE(english.hint.isEmpty());
            EXPECT_FALSE(hasCyrillic(english.hint)) << english.hint.toStdString();
        }
    }
}

TEST(TokenFailure, HintsNameWhatToDo)
{
    const auto failure = [](const auto& error, AppLanguage language,
                            HintWording wording = HintWording::desktop) {
        return failureOf(error, language, wording);
    };
    // The tries left reach the hint; the PKCS#11 road does not know them.
    const TokenFailure wrong = failure(TokenError::pinVerifyFailed(2), AppLanguage::en);
    EXPECT_EQ(wrong.retriesLeft, 2);
    EXPECT_TRUE(wrong.hint.endsWith(QStringLiteral(": 2."))) << wrong.hint.toStdString();
    EXPECT_TRUE(failure(TokenError::pinVerifyFailed(1), AppLanguage::mn).hint.endsWith(": 1."));
    const TokenFailure p11Wrong = failure(P11Error::ckError("C_Login", 0xA0), AppLanguage::en);
    EXPECT_FALSE(p11Wrong.retriesLeft.has_value());
    EXPECT_FALSE(p11Wrong.hint.contains(QLatin1Char(':')));

    // A missing key: the command line names the command that makes one, the desktop does not.
    for (const AppLanguage language : {AppLanguage::mn, AppLanguage::en}) {
        const auto noKey = TokenError::signFailed("SW=6A88");
        EXPECT_TRUE(failure(noKey, language, HintWording::commandLine)
                        .hint.contains(QStringLiteral("`orvela token keygen`")));
        EXPECT_FALSE(failure(noKey, language).hint.contains(QStringLiteral("orvela")));
    }
}

TEST(TokenFailure, AMissingReaderIsToldApartFromAStoppedService)
{
    {
        const BackendSwap running(true);
        EXPECT_TRUE(cardServiceRunning());
        const TokenFailure failure = failureOf(TokenError::readerNotConnected(), AppLanguage::en);
        EXPECT_EQ(failure.diagnosis, TokenDiagnosis::noReader);
        EXPECT_TRUE(failure.cardGone);
    }
    const BackendSwap stopped(false);
    EXPECT_FALSE(cardServiceRunning());
    const TokenFailure failure = failureOf(TokenError::readerNotConnected(), AppLanguage::en);
    EXPECT_EQ(failure.diagnosis, TokenDiagnosis::serviceNotRunning);
    EXPECT_TRUE(failure.hint.contains(QStringLiteral("pcscd")));
}
