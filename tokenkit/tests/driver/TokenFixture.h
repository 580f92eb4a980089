#pragma once

#include "ScriptedCard.h"
#include "VirtualCard.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TransportKey.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace orvela::tokenkit::test {

inline const Bytes kUserPin = toBytes("123456");
inline const Bytes kPuk = toBytes("87654321");

/// A fresh virtual token per test, in each of the three channel modes, with helpers that run
/// the application's calling orders, each in a card session of its own.
class TokenFixture : public ::testing::TestWithParam<sim::VirtualToken::Mode> {
protected:
    TokenFixture() : token(std::make_unique<sim::VirtualToken>(optionsFor(GetParam()))) {}

    static sim::VirtualToken::Options optionsFor(sim::VirtualToken::Mode mode)
    {
        sim::VirtualToken::Options options;
        options.mode = mode;
        return options;
    }

    bool fips() const { return GetParam() == sim::VirtualToken::Mode::aesFips; }
    bool des() const { return GetParam() == sim::VirtualToken::Mode::des; }

    void openChannel(TesselDriver& driver, SmartCard& card)
    {
        const Bytes key = defaultTransportKey();
        driver.establishSecureSession(key, key, card);
    }

    void provision(TesselDriver& driver)
    {
        VirtualCard card(*token);
        const auto scope = driver.sessionScope();
        openChannel(driver, card);
        driver.initializePIN(kUserPin, kPuk, card);
    }

    void generateKey(TesselDriver& driver)
    {
        VirtualCard card(*token);
        const auto scope = driver.sessionScope();
        openChannel(driver, card);
        driver.verifyPIN(kUserPin, TesselDriver::kUserPinReference, card);
        driver.generateECKeyPair(0x01, card);
    }

    std::unique_ptr<sim::VirtualToken> token;
};

inline std::string modeName(const ::testing::TestParamInfo<sim::VirtualToken::Mode>& info)
{
    switch (info.param) {
    case sim::VirtualToken::Mode::des:
        return "des";
    case sim::VirtualToken::Mode::aes:
        return "aes";
    case sim::VirtualToken::Mode::aesFips:
        return "fips";
    }
    return "unknown";
}

} // namespace orvela::tokenkit::test
