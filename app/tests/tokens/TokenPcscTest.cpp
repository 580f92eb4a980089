// The APDU road of the token logic through the real stack: pcscd, vpcd and orvela-vcard serving
// reader "Virtual PCD 00 00". scripts/lib/with-pcsc.sh starts them and sets ORVELA_VPCD=1,
// ORVELA_VCARD_LABEL and ORVELA_VCARD_PUBKEY; with ORVELA_VPCD=1 a missing reader is a failure,
// without it the test skips rather than touch the host's card service.

#include "SignatureCheck.h"
#include "orvela/tokenkit/Digest.h"
#include "tokens/TokenCard.h"
#include "tokens/TokenProvisioner.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using orvela::tokenkit::Bytes;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

/// The label the token in reader 0 answers, waiting a moment for it to come up; "" if none.
std::string labelInReaderZero(const std::string& expected)
{
    std::string seen;
    for (int attempt = 0; attempt < 50 && seen != expected; ++attempt) {
        const auto readers = orvela::tokens::readerNames();
        if (!readers.empty() && readers.front() == "Virtual PCD 00 00") {
            try {
                seen = orvela::tokens::readTokenInfo(0).label;
            } catch (const std::exception&) {
            }
        }
        if (seen != expected) {
            std::this_thread::sleep_for(200ms);
        }
    }
    return seen;
}

TEST(TokenPcsc, ProvisionedThroughPcscdTheCardSignsWithTheKeyItExported)
{
    const std::string label = environment("ORVELA_VCARD_LABEL");
    if (label.empty()) {
        ASSERT_NE(environment("ORVELA_VPCD"), "1") << "no orvela-vcard label: use with-pcsc.sh";
        GTEST_SKIP() << "needs scripts/lib/with-pcsc.sh";
    }
    // Written to only when it is this run's own token.
    ASSERT_EQ(labelInReaderZero(label), label) << "reader 0 holds no token of this run";
    const std::filesystem::path keyFile = environment("ORVELA_VCARD_PUBKEY");
    std::filesystem::remove(keyFile);

    orvela::tokens::TokenProvisioner provisioner;
    const Bytes userPin{'2', '4', '6', '8', '1', '0'};
    provisioner.initializeApdu(userPin, Bytes{'1', '3', '5', '7', '9', '1', '3', '5'});
    provisioner.generateApduKey(userPin);
    for (int attempt = 0; attempt < 50 && !std::filesystem::exists(keyFile); ++attempt) {
        std::this_thread::sleep_for(100ms);
    }
    std::stringstream pem;
    pem << std::ifstream(keyFile).rdbuf();
    const auto key = orvela::sim::test::keyFromPem(pem.str());
    ASSERT_TRUE(key) << "orvela-vcard wrote no public key after key generation";

    const Bytes hash = orvela::tokenkit::sha256(orvela::tokenkit::toBytes("document"));
    const Bytes signature = orvela::tokens::signWithCard(0, hash);
    EXPECT_TRUE(orvela::sim::test::verifies(key, hash, signature));
    const Bytes other = orvela::tokenkit::sha256(orvela::tokenkit::toBytes("other"));
    EXPECT_FALSE(orvela::sim::test::verifies(key, other, signature));
}

} // namespace
