#include "PcscCheck.h"

#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

namespace orvela::tokenkit::pcsc {
namespace {

TokenError::Code tokenErrorOf(LONG rv, Step step)
{
    try {
        check(rv, "SCardX", step);
    } catch (const TokenError& error) {
        return error.code();
    }
    ADD_FAILURE() << std::hex << rv << " did not give a TokenError";
    return TokenError::Code::transmitFailed;
}

TEST(PcscCheck, SuccessPasses)
{
    EXPECT_NO_THROW(check(SCARD_S_SUCCESS, "SCardTransmit"));
}

TEST(PcscCheck, MissingServiceIsReaderNotConnectedAtEveryStep)
{
    for (const LONG rv : {SCARD_E_NO_SERVICE, SCARD_E_SERVICE_STOPPED, SCARD_F_COMM_ERROR}) {
        EXPECT_EQ(tokenErrorOf(rv, Step::opening), TokenError::Code::readerNotConnected);
        EXPECT_EQ(tokenErrorOf(rv, Step::inSession), TokenError::Code::readerNotConnected);
    }
}

TEST(PcscCheck, MissingReaderOrCardWhileOpeningIsCardNotFound)
{
    for (const LONG rv : {SCARD_E_UNKNOWN_READER, SCARD_E_READER_UNAVAILABLE, SCARD_E_NO_SMARTCARD,
                          SCARD_W_REMOVED_CARD}) {
        EXPECT_EQ(tokenErrorOf(rv, Step::opening), TokenError::Code::cardNotFound);
    }
}

TEST(PcscCheck, RemovalInsideASessionStaysThePcscError)
{
    try {
        check(SCARD_W_REMOVED_CARD, "SCardTransmit");
        FAIL() << "no error";
    } catch (const PcscError& error) {
        EXPECT_EQ(error.code(), PcscError::removedCard);
        EXPECT_EQ(error.call(), "SCardTransmit");
        EXPECT_EQ(error.text(), pcsc_stringify_error(SCARD_W_REMOVED_CARD));
        EXPECT_NE(std::string(error.what()).find("0x80100069"), std::string::npos);
    }
}

TEST(PcscCheck, OtherFailuresCarryCodeAndCallUnchanged)
{
    for (const Step step : {Step::opening, Step::inSession}) {
        try {
            check(SCARD_E_SHARING_VIOLATION, "SCardConnect", step);
            FAIL() << "no error";
        } catch (const PcscError& error) {
            EXPECT_EQ(error.code(), PcscError::sharingViolation);
            EXPECT_EQ(error.call(), "SCardConnect");
            EXPECT_FALSE(error.text().empty());
        }
    }
}

} // namespace
} // namespace orvela::tokenkit::pcsc
