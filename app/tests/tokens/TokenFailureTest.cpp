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

/// Every test starts with the PC/SC service stopped.
class TokenFailureTest : public ::testing::Test {
protected:
    TokenFailureTest() { kit().setBackend(std::make_shared<StoppedService>()); }
    ~TokenFailureTest() override { kit().setBackend(m_saved); }
    static orvela::tokenkit::TokenManager& kit()
    {
        return orvela::tokenkit::TokenManager::shared();
    }

private:
    std::shared_ptr<orvela::tokenkit::ReaderBackend> m_saved = kit().backend();
};

struct Case {
    std::exception_ptr error;
    TokenDiagnosis diagnosis;
    /// A value the error carries, which both languages keep; "" when none.
    QString carried;
};

template <class Error> Case row(Error error, TokenDiagnosis diagnosis, const char* carried = "")
{
    return {std::make_exception_ptr(std::move(error)), diagnosis, QString::fromUtf8(carried)};
}

TEST_F(TokenFailureTest, EveryKindReadsInBothLanguagesAndHintsWhatAPersonCanMend)
{
    using D = TokenDiagnosis;
    const Case cases[] = {
        row(TokenError::transmitFailed("timeout"), D::none, "timeout"),
        row(TokenError::pinVerifyFailed(2), D::wrongPin, "2"),
        row(TokenError::pinVerifyFailed(0), D::pinBlocked),
        row(TokenError::signFailed("SW=6A88"), D::noKey, "SW=6A88"),
        row(TokenError::unexpectedStatus(0x6A80), D::none, "6A80"),
        row(TokenError::readerNotConnected(), D::serviceNotRunning),
        row(TokenError::cardNotFound(), D::noCard),
        row(P11Error::libraryNotFound("/usr/lib/libtessel.so", "no such file"), D::libraryMissing,
            "/usr/lib/libtessel.so (no such file)"),
        row(P11Error::symbolNotFound("C_DestroyObject"), D::none, "C_DestroyObject"),
        row(P11Error::ckError("C_Login", 0xA4), D::pinBlocked, "000000A4"),
        row(P11Error::ckError("C_OpenSession", 0xE1), D::noTokenInSlot),
        row(P11Error::ckError("findPrivateKey (not found)", 0), D::noKey),
        row(CSRError::signerFailed("card said no"), D::none, "card said no"),
        row(PcscError(0x8010002E, "SCardListReaders"), D::noReader, "SCardListReaders"),
        row(PcscError(PcscError::removedCard, "SCardTransmit"), D::cardRemoved),
        row(std::runtime_error("disk full"), D::none, "disk full"),
    };
    for (const Case& test : cases) {
        try {
            std::rethrow_exception(test.error);
        } catch (const std::exception& error) {
            SCOPED_TRACE(error.what());
            const TokenFailure mongolian = failureOf(error);
            const TokenFailure english = failureOf(error, AppLanguage::en);
            EXPECT_EQ(mongolian.message, QString::fromUtf8(error.what()));
            EXPECT_FALSE(hasCyrillic(english.message)) << english.message.toStdString();
            EXPECT_TRUE(english.message.contains(test.carried)) << english.message.toStdString();
            EXPECT_EQ(english.diagnosis, test.diagnosis);
            EXPECT_EQ(hasCyrillic(mongolian.hint), test.diagnosis != D::none);
            EXPECT_EQ(english.hint.isEmpty(), test.diagnosis == D::none);
            EXPECT_FALSE(hasCyrillic(english.hint)) << english.hint.toStdString();
        }
    }
}

TEST_F(TokenFailureTest, TheWrongPinHintCountsOnlyKnownTriesAndTheDesktopNamesNoCommand)
{
    const TokenFailure wrong = failureOf(TokenError::pinVerifyFailed(2), AppLanguage::en);
    EXPECT_EQ(wrong.retriesLeft, 2);
    EXPECT_TRUE(wrong.hint.endsWith(QStringLiteral(": 2."))) << wrong.hint.toStdString();
    // The PKCS#11 road does not know the count and must not invent one.
    const TokenFailure p11Wrong = failureOf(P11Error::ckError("C_Login", 0xA0), AppLanguage::en);
    EXPECT_EQ(p11Wrong.diagnosis, TokenDiagnosis::wrongPin);
    EXPECT_FALSE(p11Wrong.retriesLeft.has_value());
    EXPECT_FALSE(p11Wrong.hint.contains(QLatin1Char(':')));

    // The desktop names no command; the tool's wording does (its token tests check that).
    EXPECT_FALSE(failureOf(TokenError::unexpectedStatus(0x6A88), AppLanguage::en)
                     .hint.contains(QStringLiteral("orvela")));
}

} // namespace
