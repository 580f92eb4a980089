#include "orvela/tokenkit/PKCS11Module.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using orvela::tokenkit::P11Error;
using orvela::tokenkit::PKCS11Module;

TEST(P11Error, MessagesAreExact)
{
    EXPECT_EQ(P11Error::libraryNotFound("/x/lib.so").errorDescription(),
              "PKCS#11 сан олдсонгүй: /x/lib.so");
    EXPECT_EQ(P11Error::symbolNotFound("C_SetPIN").errorDescription(),
              "PKCS#11 function олдсонгүй: C_SetPIN");
    EXPECT_EQ(P11Error::ckError("C_Login", 0xA0).errorDescription(),
              "C_Login амжилтгүй: CKR=0x000000A0");
    EXPECT_EQ(P11Error::ckError("findPrivateKey (not found)", 0).errorDescription(),
              "findPrivateKey (not found) амжилтгүй: CKR=0x00000000");
    EXPECT_EQ(P11Error::ckError("C_InitToken", 0xb6).errorDescription(),
              "C_InitToken амжилтгүй: CKR=0x000000B6");
    // Vendor-defined codes are wider than eight digits and must not be cut.
    EXPECT_EQ(P11Error::ckError("C_Sign", 0x180000001ul).errorDescription(),
              "C_Sign амжилтгүй: CKR=0x180000001");
}

TEST(P11Error, CarriesItsParts)
{
    const auto error = P11Error::ckError("C_Login", 0xA4);
    EXPECT_EQ(error.code(), P11Error::Code::ckError);
    EXPECT_EQ(error.subject(), "C_Login");
    EXPECT_EQ(error.rv(), 0xA4u);
    EXPECT_STREQ(error.what(), "C_Login амжилтгүй: CKR=0x000000A4");
    EXPECT_EQ(P11Error::libraryNotFound("/p").code(), P11Error::Code::libraryNotFound);
}

class LibraryPaths : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable); }
    void TearDown() override { ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable); }
};

TEST_F(LibraryPaths, DefaultsEndWithTheMiddlewareModule)
{
    const auto& defaults = PKCS11Module::defaultLibraryPaths();
    ASSERT_GE(defaults.size(), 3u);
    EXPECT_NE(defaults.front().find("libcastle.so.1.0.0"), std::string::npos);
    EXPECT_EQ(defaults.back(), "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so");
    EXPECT_EQ(PKCS11Module::candidatePaths(std::nullopt), defaults);
}

TEST_F(LibraryPaths, UserChoicesComeBeforeTheDefaults)
{
    const auto& defaults = PKCS11Module::defaultLibraryPaths();
    const auto withFront = [&](std::vector<std::string> front) {
        front.insert(front.end(), defaults.begin(), defaults.end());
        return front;
    };
    ::setenv(PKCS11Module::kLibraryEnvironmentVariable, "/from/env.so", 1);
    EXPECT_EQ(PKCS11Module::candidatePaths(std::nullopt), withFront({"/from/env.so"}));
    EXPECT_EQ(PKCS11Module::candidatePaths(std::string("/explicit.so")),
              withFront({"/explicit.so", "/from/env.so"}));
    EXPECT_EQ(PKCS11Module::candidatePaths(std::string("/from/env.so")),
              withFront({"/from/env.so"}));
    // An empty setting means "not chosen".
    ::setenv(PKCS11Module::kLibraryEnvironmentVariable, "", 1);
    EXPECT_EQ(PKCS11Module::candidatePaths(std::string()), defaults);
}

TEST_F(LibraryPaths, NothingLoadableNamesTheLastCandidate)
{
    try {
        PKCS11Module::open();
        ADD_FAILURE() << "a default library loaded on a machine that has none";
    } catch (const P11Error& e) {
        EXPECT_EQ(e.code(), P11Error::Code::libraryNotFound);
        EXPECT_EQ(e.errorDescription(),
                  "PKCS#11 сан олдсонгүй: /usr/lib/x86_64-linux-gnu/opensc-pkcs11.so");
    }
    try {
        // A chosen library that is missing falls back to the defaults; the last one is named.
        PKCS11Module::open(std::string("/nonexistent/libp11.so"));
        ADD_FAILURE() << "loaded a missing file";
    } catch (const P11Error& e) {
        EXPECT_EQ(e.subject(), "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so");
    }
}

TEST_F(LibraryPaths, ALibraryThatIsNotCryptokiLacksItsFirstEntryPoint)
{
    // libm loads fine but exports none of the Cryptoki names.
    try {
        PKCS11Module::open(std::string("libm.so.6"));
        ADD_FAILURE() << "accepted a library without Cryptoki";
    } catch (const P11Error& e) {
        EXPECT_EQ(e.code(), P11Error::Code::symbolNotFound);
        EXPECT_EQ(e.subject(), "C_Initialize");
    }
}

} // namespace
