// What a real token cannot be made to show, against a scripted Cryptoki library that records
// every call it receives, and libraries that cannot serve at all.

#include "SoftHsmToken.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace orvela::tokenkit;
using ::testing::Contains;
using ::testing::ElementsAreArray;
using Info = PKCS11Module::TokenObjectInfo;

class StubLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("orvela-p11-stub-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        ::setenv("ORVELA_P11_STUB_SCRIPT", (m_dir / "script").c_str(), 1);
        ::setenv("ORVELA_P11_STUB_LOG", (m_dir / "log").c_str(), 1);
        script("");
    }
    void TearDown() override
    {
        ::unsetenv("ORVELA_P11_STUB_SCRIPT");
        ::unsetenv("ORVELA_P11_STUB_LOG");
        std::filesystem::remove_all(m_dir);
    }

    /// Replaces the script and starts a fresh call log.
    void script(const std::string& text)
    {
        std::ofstream(m_dir / "script") << text;
        std::filesystem::remove(m_dir / "log");
    }

    std::vector<std::string> calls() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_dir / "log");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    /// The Cryptoki functions called, in order.
    std::string frame() const
    {
        std::string names;
        for (const auto& call : calls()) {
            names += (names.empty() ? "" : " ") + call.substr(2, call.find(' ') - 2);
        }
        return names;
    }

    static std::unique_ptr<PKCS11Module> open(const char* path = ORVELA_P11_STUB_FULL)
    {
        return PKCS11Module::open(std::string(path));
    }

private:
    std::filesystem::path m_dir;
};

const std::string kPrivateKey = "object class=3 label=k id=01 keytype=3\n";

TEST_F(StubLibrary, EveryWayOutClosesWhatWasOpenedAndNothingElse)
{
    using Action = std::function<void(PKCS11Module&)>;
    const Action sign = [](PKCS11Module& m) { m.signECDSA("1234", {}, Bytes(32, 1)); };
    const Action request = [](PKCS11Module& m) { m.generateCSR("1234", {}, {"X", {}, {}, {}}); };
    const Action list = [](PKCS11Module& m) { m.listObjects("1234"); };
    const Action changePin = [](PKCS11Module& m) { m.changeUserPIN("1234", "5678"); };
    const Action provision = [](PKCS11Module& m) {
        m.fullProvision("12345678", "123456", "Orvela", "orvela-sign", Bytes{0x01});
    };
    const std::string open = "Initialize GetSlotList(probe) GetSlotList OpenSession ";
    const std::string erase = "Initialize GetSlotList(probe) GetSlotList InitToken OpenSession "
                              "Login InitPIN Logout Login GenerateKeyPair ";
    struct Case {
        std::string script;
        Action action;
        std::string failedStep; // empty: the operation succeeds
        unsigned long rv;
        std::string frame;
        const char* library = ORVELA_P11_STUB_FULL;
    };
    const std::vector<Case> cases{
        {kPrivateKey, sign, "", 0,
         open + "Login SignInit Sign(probe) Sign Logout CloseSession Finalize"},
        // Another part of the process initialised the library or logged in first.
        {"rv C_Initialize 0x191\nrv C_Login 0x100\n", list, "", 0,
         open + "Login Logout CloseSession Finalize"},
        {"rv C_Initialize 0x5\n", list, "C_Initialize", 0x5, "Initialize"},
        {"slots 0\n", sign, "getSlotList (empty)", 0, "Initialize GetSlotList(probe) Finalize"},
        {"rv C_OpenSession 0xB3\n", changePin, "C_OpenSession", 0xB3, open + "Finalize"},
        {"rv C_Login 0xA0\n", [](PKCS11Module& m) { m.changeSOPIN("12345678", "87654321"); },
         "C_Login", 0xA0, open + "Login CloseSession Finalize"},
        {"rv C_SetPIN 0xA1\n", changePin, "C_SetPIN", 0xA1,
         open + "Login SetPIN Logout CloseSession Finalize"},
        {"object class=1 label=c id=01\n", request, "findPublicKey (not found)", 0,
         open + "Login Logout CloseSession Finalize"},
        // The token must not sign a request for a key the server would refuse.
        {"object class=2 label=a id=01 keytype=3 ecpoint=0421" + std::string(66, 'A') + "\n" +
             "object class=3 label=a id=01 keytype=3\n",
         request, "public key", 0, open + "Login Logout CloseSession Finalize"},
        {"object class=1 label=c id=01\n",
         [](PKCS11Module& m) { m.deleteObject("1234", "01", "certificate"); }, "C_DestroyObject", 0,
         open + "Login Logout CloseSession Finalize", ORVELA_P11_STUB_NODESTROY},
        {"", provision, "", 0, erase + "Logout CloseSession Finalize"},
        // An erase that failed half-way leaves no login worth ending.
        {"rv C_GenerateKeyPair 0x130\n", provision, "C_GenerateKeyPair", 0x130,
         erase + "CloseSession Finalize"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        script(c.script);
        auto module = this->open(c.library);
        try {
            c.action(*module);
            EXPECT_EQ(c.failedStep, "") << "succeeded";
        } catch (const P11Error& e) {
            EXPECT_EQ(e.subject(), c.failedStep);
            EXPECT_EQ(e.rv(), c.rv);
        } catch (const CSRError& e) {
            EXPECT_EQ(e.code(), CSRError::Code::invalidPublicKey);
            EXPECT_EQ(c.failedStep, "public key");
        }
        EXPECT_EQ(frame(), c.frame);
    }
}

TEST_F(StubLibrary, ECPointForms)
{
    const std::string point = "04" + std::string(128, 'A');
    // What the library holds, and the point read from it (empty: the same bytes).
    const std::vector<std::pair<std::string, std::string>> cases{
        {"0441" + point, point},              // DER-wrapped, short length
        {"048141" + point, point},            // DER-wrapped, one-byte long length
        {point, ""},                          // raw point: second byte AA
        {"04" + std::string(130, 'B'), ""},   // raw, second byte BB
        {"0480" + std::string(256, 'D'), ""}, // 80 is no length in DER
        {"0402AB", ""},                       // length longer than the data
        {"0401", ""},                         // fewer than three bytes
        {"0302ABCD", ""},                     // not an OCTET STRING
        {"048102ABCD", "ABCD"},               // long form, short value
    };
    std::string text;
    for (const auto& [stored, expected] : cases) {
        text += "object class=2 keytype=3 ecpoint=" + stored + "\n";
    }
    script(text);
    auto module = open();
    module->initialize();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [stored, expected] = cases[i];
        EXPECT_EQ(bytesToHex(module->readECPoint(42, i + 1)), expected.empty() ? stored : expected)
            << "case " << i;
    }
}

TEST_F(StubLibrary, ListingShowsWhatCanBeReadAndDecodesLabelsSafely)
{
    // "Орв" in UTF-8; a lone continuation byte and a truncated sequence (one replacement
    // each); an overlong "/" (two bytes that cannot start or continue: two replacements);
    // a surrogate half (ED A0 80: three); a label too long to be worth fetching.
    script("object class=none label=odd id=0A0B keytype=3\n"
           "object class=2 label=pub keytype=0\n"
           "object class=2 label=other keytype=99\n"
           "object class=1 labelhex=D09ED180D0B2 id=01\n"
           "object class=1 labelhex=41804142E282 id=02\n"
           "object class=1 labelhex=C0AF id=03\n"
           "object class=1 labelhex=EDA080 id=04\n"
           "object class=3 labelsize=65536 id=05 keytype=3\n");
    EXPECT_THAT(open()->listObjects("1234"), ElementsAreArray(std::vector<Info>{
                                                 {"0a0b", "odd", "data", ""},
                                                 {"", "pub", "publicKey", "RSA"},
                                                 {"", "other", "publicKey", ""},
                                                 {"01", "Орв", "certificate", ""},
                                                 {"02", "A\uFFFDAB\uFFFD", "certificate", ""},
                                                 {"03", "\uFFFD\uFFFD", "certificate", ""},
                                                 {"04", "\uFFFD\uFFFD\uFFFD", "certificate", ""},
                                                 {"05", "", "privateKey", "EC"},
                                             }));
}

TEST_F(StubLibrary, SlotListMayShrinkObjectsAreFoundByKindAndWholeIdAndTheLabelIsPadded)
{
    auto module = open();
    script("slots 3\n");
    module->initialize();
    EXPECT_EQ(module->getSlotList(true), (std::vector<unsigned long>{7, 8, 9}));
    module->finalize();
    // Two tokens left between the count and the fill.
    script("slots 3 1\n");
    module->initialize();
    EXPECT_EQ(module->getSlotList(true), (std::vector<unsigned long>{7}));
    module->finalize();

    const std::string point = "04" + std::string(128, 'A');
    script("object class=1 label=c id=01\n"
           "object class=2 label=a id=01 keytype=3 ecpoint=0441" +
           point + "\n" + "object class=3 label=k id=0102 keytype=3\n" +
           "object class=3 label=a id=01 keytype=3\n");
    // A request without a label signs with the private key of the public key's id.
    EXPECT_FALSE(open()->generateCSR("1234", std::nullopt, {"X", {}, {}, {}}).der.empty());
    EXPECT_THAT(calls(), Contains("C_SignInit key=4"));
    EXPECT_THROW(module->deleteObject("1234", "0102", "certificate"), P11Error);
    module->deleteObject("1234", "01", "privateKey");
    EXPECT_THAT(calls(), Contains("C_DestroyObject handle=4"));

    script("");
    module->initialize();
    module->initToken(7, "12345678", std::string(40, 'L'));
    module->initToken(7, "12345678", "abc");
    EXPECT_THAT(calls(), ElementsAreArray({std::string("C_Initialize"),
                                           "C_InitToken label=[" + std::string(32, 'L') + "]",
                                           "C_InitToken label=[abc" + std::string(29, ' ') + "]"}));
}

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
    // With nothing chosen every candidate is tried, and the last one tried is named.
    const std::vector<std::string> missing{none, "/nonexistent/libtessel.so"};
    try {
        PKCS11Module::openFirstOf(missing);
        ADD_FAILURE() << "loaded";
    } catch (const P11Error& e) {
        EXPECT_EQ(e.code(), Code::libraryNotFound);
        EXPECT_EQ(e.subject(), missing.back());
    }
    // Vendor-defined codes are wider than eight digits and must not be cut.
    EXPECT_STREQ(P11Error::ckError("C_Sign", 0x180000001ul).what(),
                 "C_Sign амжилтгүй: CKR=0x180000001");
    EXPECT_EQ(P11Error::ckError("C_Login", 0xA0).errorDescription(),
              "C_Login амжилтгүй: CKR=0x000000A0");
}

TEST_F(LibraryPaths, NothingChosenTriesTesselThenP11KitsProxyWhichReachesRegisteredModules)
{
    namespace fs = std::filesystem;
    const std::vector<std::string>& paths = PKCS11Module::defaultLibraryPaths();
    ASSERT_GE(paths.size(), 2u);
    for (std::size_t i = 0; i + 1 < paths.size(); ++i) {
        EXPECT_EQ(fs::path(paths[i]).filename().string().rfind("libtessel.", 0), 0u) << paths[i];
    }
    EXPECT_EQ(fs::path(paths.back()).filename(), "p11-kit-proxy.so");
    // An empty setting or variable chooses nothing.
    ::setenv(PKCS11Module::kLibraryEnvironmentVariable, "", 1);
    EXPECT_EQ(PKCS11Module::candidatePaths(std::string()), paths);

    if (!fs::exists(paths.back()) || !fs::exists("/usr/share/p11-kit/modules/softhsm2.module")) {
        GTEST_SKIP() << "p11-kit's proxy or the registered SoftHSM2 module is not installed";
    }
    // The proxy reaches SoftHSM2 as the system registered it: a token initialised through
    // SoftHSM2's own library adds the free slot it leaves to what the proxy lists.
    orvela::testing::SoftHsmToken hsm;
    const auto slotsThroughDefaults = [] {
        auto module = PKCS11Module::open();
        module->initialize();
        return module->getSlotList(true).size();
    };
    const std::size_t before = slotsThroughDefaults();
    {
        auto softhsm = PKCS11Module::open(std::string(orvela::testing::kSoftHsmLibrary));
        softhsm->initialize();
        softhsm->initToken(softhsm->getSlotList(true).front(), "12345678", "Orvela");
    }
    EXPECT_EQ(slotsThroughDefaults(), before + 1);
}

} // namespace
