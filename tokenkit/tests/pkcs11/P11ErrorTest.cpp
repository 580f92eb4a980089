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

class LibraryPaths : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable); }
    void TearDown() override { ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable); }
};

TEST_F(LibraryPaths, ALibraryThatCannotServeIsNamedWithTheReasonAndCodesStayWhole)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("orvela-p11-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string text = (dir / "text.so").string();
    std::ofstream(text) << std::string(256, 'x'); // longer than an ELF header
    const std::string fifo = (dir / "fifo.so").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    using Code = P11Error::Code;
    struct Case {
        std::optional<std::string> path;
        bool fromEnvironment;
        Code code;
        std::string subject;
        std::string reason; // part of the message
    };
    const std::string none = "/nonexistent/libp11.so";
    const std::vector<Case> cases{
        {none, false, Code::libraryNotFound, none, "(No such file or directory)"},
        {none, true, Code::libraryNotFound, none, "(No such file or directory)"},
        {dir.string(), false, Code::libraryNotFound, dir.string(), "(энгийн файл биш)"},
        {fifo, false, Code::libraryNotFound, fifo, "(энгийн файл биш)"}, // must not block
        {text, false, Code::libraryNotFound, text, "invalid ELF header"},
        {"libno-such.so", false, Code::libraryNotFound, "libno-such.so", "cannot open shared"},
        // Nothing chosen (an empty setting chooses nothing) and no default installed here.
        {std::nullopt, false, Code::libraryNotFound, PKCS11Module::defaultLibraryPaths().back(),
         ""},
        {"", true, Code::libraryNotFound, PKCS11Module::defaultLibraryPaths().back(), ""},
        // Loads fine but exports none of the Cryptoki names, or not all of them.
        {"libm.so.6", false, Code::symbolNotFound, "C_Initialize", ""},
        {ORVELA_P11_STUB_NOSETPIN, false, Code::symbolNotFound, "C_SetPIN", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subject);
        if (c.fromEnvironment) {
            ::setenv(PKCS11Module::kLibraryEnvironmentVariable, c.path->c_str(), 1);
        } else {
            ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable);
        }
        try {
            PKCS11Module::open(c.fromEnvironment ? std::nullopt : c.path);
            ADD_FAILURE() << "loaded";
        } catch (const P11Error& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.subject(), c.subject);
            const std::string message = e.errorDescription();
            EXPECT_NE(message.find(c.subject), std::string::npos) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
    }
    fs::remove_all(dir);
    // Vendor-defined codes are wider than eight digits and must not be cut.
    EXPECT_STREQ(P11Error::ckError("C_Sign", 0x180000001ul).what(),
                 "C_Sign амжилтгүй: CKR=0x180000001");
    EXPECT_EQ(P11Error::ckError("C_Login", 0xA0).errorDescription(),
              "C_Login амжилтгүй: CKR=0x000000A0");
}

} // namespace
