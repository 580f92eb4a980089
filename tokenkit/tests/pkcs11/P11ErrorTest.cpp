#include "orvela/tokenkit/PKCS11Module.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using orvela::tokenkit::P11Error;
using orvela::tokenkit::PKCS11Module;

TEST(P11Error, MessagesAreExact)
{
    EXPECT_EQ(P11Error::libraryNotFound("/x/lib.so").errorDescription(),
              "PKCS#11 сан олдсонгүй: /x/lib.so");
    EXPECT_EQ(P11Error::libraryNotFound("/x/lib.so", "invalid ELF header").errorDescription(),
              "PKCS#11 сан олдсонгүй: /x/lib.so (invalid ELF header)");
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

TEST_F(LibraryPaths, TheUserChoiceIsTheOnlyCandidate)
{
    const auto& defaults = PKCS11Module::defaultLibraryPaths();
    ::setenv(PKCS11Module::kLibraryEnvironmentVariable, "/from/env.so", 1);
    EXPECT_EQ(PKCS11Module::candidatePaths(std::nullopt), std::vector<std::string>{"/from/env.so"});
    EXPECT_EQ(PKCS11Module::candidatePaths(std::string("/explicit.so")),
              std::vector<std::string>{"/explicit.so"});
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
}

TEST_F(LibraryPaths, AChosenLibraryThatFailsIsNamedWithTheReason)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("orvela-p11-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string text = (dir / "text.so").string();
    std::ofstream(text) << std::string(256, 'x'); // longer than an ELF header
    const std::string fifo = (dir / "fifo.so").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        std::string path;
        bool fromEnvironment;
        std::string reason; // part of the message after the path
    };
    const std::vector<Case> cases{
        {"/nonexistent/libp11.so", false, "(No such file or directory)"},
        {"/nonexistent/libp11.so", true, "(No such file or directory)"},
        {dir.string(), false, "(энгийн файл биш)"},
        {fifo, false, "(энгийн файл биш)"}, // must not block in the loader
        {text, false, "invalid ELF header"},
        {"libno-such-cryptoki.so", false, "cannot open shared object file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.fromEnvironment) {
            ::setenv(PKCS11Module::kLibraryEnvironmentVariable, c.path.c_str(), 1);
        } else {
            ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable);
        }
        try {
            PKCS11Module::open(c.fromEnvironment ? std::nullopt : std::optional(c.path));
            ADD_FAILURE() << "loaded";
        } catch (const P11Error& e) {
            EXPECT_EQ(e.code(), P11Error::Code::libraryNotFound);
            EXPECT_EQ(e.subject(), c.path);
            EXPECT_EQ(e.errorDescription().rfind("PKCS#11 сан олдсонгүй: " + c.path + " (", 0), 0u)
                << e.errorDescription();
            EXPECT_NE(e.errorDescription().find(c.reason), std::string::npos)
                << e.errorDescription();
        }
    }
    fs::remove_all(dir);
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
