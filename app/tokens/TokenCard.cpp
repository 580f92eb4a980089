#include "tokens/TokenCard.h"

#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenManager.h"

namespace orvela::tokens {

using tokenkit::SmartCard;
using tokenkit::TesselDriver;

std::vector<std::string> readerNames()
{
    return tokenkit::TokenManager::shared().getReaderNames();
}

tokenkit::TokenInfo readTokenInfo(int readerIndex)
{
    return tokenkit::TokenManager::shared().withSession(
        readerIndex, [](SmartCard& card) { return TesselDriver().getTokenInfo(card); });
}

tokenkit::Bytes connectionChallenge(int readerIndex)
{
    return tokenkit::TokenManager::shared().withSession(readerIndex, [](SmartCard& card) {
        TesselDriver driver;
        driver.selectApplet(card);
        return driver.getChallenge(card);
    });
}

tokenkit::Bytes signWithCard(int readerIndex, tokenkit::ByteView hash)
{
    return tokenkit::TokenManager::shared().withSession(readerIndex, [&](SmartCard& card) {
        TesselDriver driver;
        driver.selectApplet(card);
        return driver.signECDSA(hash, card);
    });
}

} // namespace orvela::tokens
