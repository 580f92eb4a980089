#include "tokens/TokenCard.h"

#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"

namespace orvela::tokens {

using tokenkit::SmartCard;
using tokenkit::TesselDriver;

namespace {

/// Whether the reader still holds a card, asked in a session of its own.
bool holdsCard(tokenkit::CardReaders& readers, int readerIndex)
{
    try {
        readers.getATR(readerIndex);
        return true;
    } catch (const tokenkit::TokenError&) {
        return false; // no card, no reader or no card service
    } catch (const tokenkit::PcscError&) {
        return true; // cannot tell; the first error stands
    }
}

} // namespace

void runOnCard(tokenkit::CardReaders& readers, int readerIndex,
               const std::function<void(SmartCard&)>& work)
{
    try {
        readers.withSession(readerIndex, work);
    } catch (const tokenkit::PcscError& error) {
        // A card pulled out during the work says so itself; any other failure of a reader
        // that no longer holds a card is "no card".
        if (error.code() != tokenkit::PcscError::removedCard && !holdsCard(readers, readerIndex)) {
            throw tokenkit::TokenError::cardNotFound();
        }
        throw;
    }
}

std::vector<std::string> readerNames(const tokenkit::CardReaders& readers)
{
    return readers.backend()->listReaders();
}

tokenkit::TokenInfo readTokenInfo(tokenkit::CardReaders& readers, int readerIndex)
{
    return withCard(readers, readerIndex,
                    [](SmartCard& card) { return TesselDriver().getTokenInfo(card); });
}

tokenkit::Bytes connectionChallenge(tokenkit::CardReaders& readers, int readerIndex)
{
    return withCard(readers, readerIndex, [](SmartCard& card) {
        TesselDriver driver;
        driver.selectApplet(card);
        return driver.getChallenge(card);
    });
}

tokenkit::Bytes signWithCard(tokenkit::CardReaders& readers, int readerIndex,
                             tokenkit::ByteView hash)
{
    return withCard(readers, readerIndex, [&](SmartCard& card) {
        TesselDriver driver;
        driver.selectApplet(card);
        return driver.signECDSA(hash, card);
    });
}

} // namespace orvela::tokens
