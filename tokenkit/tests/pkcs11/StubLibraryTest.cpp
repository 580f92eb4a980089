// What a real token cannot be made to show, against a scripted Cryptoki library that records
// every call it receives.

#include "orvela/tokenkit/PKCS11Module.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace orvela::tokenkit;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class StubLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("orvela-p11-stub-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
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

    void script(const std::string& text) { std::ofstream(m_dir / "script") << text; }

    std::vector<std::string> calls() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_dir / "log");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    /// The calls without the object searches and attribute reads, which only add noise.
    std::vector<std::string> frameCalls() const
    {
        std::vector<std::string> kept;
        for (const auto& call : calls()) {
            if (call.rfind("C_Find", 0) != 0 && call.rfind("C_GetAttributeValue", 0) != 0) {
                kept.push_back(call);
            }
        }
        return kept;
    }

    static std::unique_ptr<PKCS11Module> open(const char* path = ORVELA_P11_STUB_FULL)
    {
        return PKCS11Module::open(std::string(path));
    }

    template <class F> static P11Error errorOf(F&& f)
    {
        try {
            f();
        } catch (const P11Error& e) {
            return e;
        }
        throw std::logic_error("no P11Error raised");
    }

private:
    std::filesystem::path m_dir;
};

TEST_F(StubLibrary, AlreadyInitialisedCountsAsSuccessAndIsStillFinalised)
{
    script("rv C_Initialize 0x191\nobject class=3 label=k id=01 keytype=3\n");
    auto module = open();
    const auto objects = module->listObjects("1234");
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0], (PKCS11Module::TokenObjectInfo{"01", "k", "privateKey", "EC"}));
    EXPECT_FALSE(module->isInitialized());
    EXPECT_EQ(calls().back(), "C_Finalize");
}

TEST_F(StubLibrary, AlreadyLoggedInCountsAsSuccess)
{
    script("rv C_Login 0x100\nobject class=3 label=k id=01 keytype=3\n");
    EXPECT_EQ(open()->signECDSA("1234", std::nullopt, Bytes(32, 1)).size(), 64u);
}

TEST_F(StubLibrary, OtherInitialiseFailuresAreReported)
{
    script("rv C_Initialize 0x5\n");
    auto module = open();
    EXPECT_EQ(errorOf([&] { module->listObjects("1234"); }).errorDescription(),
              "C_Initialize амжилтгүй: CKR=0x00000005");
    // Nothing was initialised, so nothing may be finalised.
    EXPECT_THAT(calls(), ElementsAre("C_Initialize"));
}

TEST_F(StubLibrary, MissingSetPINFailsTheLoad)
{
    const auto error = errorOf([] { open(ORVELA_P11_STUB_NOSETPIN); });
    EXPECT_EQ(error.code(), P11Error::Code::symbolNotFound);
    EXPECT_EQ(error.errorDescription(), "PKCS#11 function олдсонгүй: C_SetPIN");
}

TEST_F(StubLibrary, MissingDestroyObjectFailsOnlyDeletion)
{
    script("object class=1 label=c id=01\n");
    auto module = open(ORVELA_P11_STUB_NODESTROY);
    EXPECT_EQ(module->listObjects("1234").size(), 1u);
    const auto error = errorOf([&] { module->deleteObject("1234", "01", "certificate"); });
    EXPECT_EQ(error.errorDescription(), "PKCS#11 function олдсонгүй: C_DestroyObject");
    EXPECT_EQ(calls().back(), "C_Finalize");
}

TEST_F(StubLibrary, EmptySlotListFailsAndFinalises)
{
    script("slots 0\n");
    auto module = open();
    const auto error = errorOf([&] { module->signECDSA("1234", std::nullopt, Bytes(32, 1)); });
    EXPECT_EQ(error.errorDescription(), "getSlotList (empty) амжилтгүй: CKR=0x00000000");
    // A count of zero needs no second call.
    EXPECT_THAT(calls(), ElementsAre("C_Initialize", "C_GetSlotList(probe)", "C_Finalize"));
}

TEST_F(StubLibrary, FrameOnSuccess)
{
    script("object class=3 label=k id=01 keytype=3\n");
    open()->signECDSA("1234", std::string("k"), Bytes(32, 1));
    EXPECT_THAT(frameCalls(),
                ElementsAre("C_Initialize", "C_GetSlotList(probe)", "C_GetSlotList",
                            "C_OpenSession slot=7 flags=4", "C_Login type=1",
                            "C_SignInit mechanism=4161 key=1", "C_Sign(probe) length=32",
                            "C_Sign length=32", "C_Logout", "C_CloseSession", "C_Finalize"));
}

TEST_F(StubLibrary, FrameWhenOpeningTheSessionFails)
{
    script("rv C_OpenSession 0xB3\n");
    const auto error = errorOf([&] { open()->changeUserPIN("1234", "5678"); });
    EXPECT_EQ(error.errorDescription(), "C_OpenSession амжилтгүй: CKR=0x000000B3");
    EXPECT_THAT(frameCalls(), ElementsAre("C_Initialize", "C_GetSlotList(probe)", "C_GetSlotList",
                                          "C_OpenSession slot=7 flags=6", "C_Finalize"));
}

TEST_F(StubLibrary, FrameWhenLoginFails)
{
    script("rv C_Login 0xA0\n");
    const auto error = errorOf([&] { open()->changeSOPIN("12345678", "87654321"); });
    EXPECT_EQ(error.errorDescription(), "C_Login амжилтгүй: CKR=0x000000A0");
    EXPECT_EQ(error.rv(), 0xA0u);
    EXPECT_THAT(frameCalls(), ElementsAre("C_Initialize", "C_GetSlotList(probe)", "C_GetSlotList",
                                          "C_OpenSession slot=7 flags=6", "C_Login type=0",
                                          "C_CloseSession", "C_Finalize"));
}

TEST_F(StubLibrary, FrameWhenTheWorkFailsStillLogsOut)
{
    script("rv C_SetPIN 0xA1\n");
    const auto error = errorOf([&] { open()->changeUserPIN("1234", "5678"); });
    EXPECT_EQ(error.errorDescription(), "C_SetPIN амжилтгүй: CKR=0x000000A1");
    EXPECT_THAT(frameCalls(), ElementsAre("C_Initialize", "C_GetSlotList(probe)", "C_GetSlotList",
                                          "C_OpenSession slot=7 flags=6", "C_Login type=1",
                                          "C_SetPIN", "C_Logout", "C_CloseSession", "C_Finalize"));
}

TEST_F(StubLibrary, FullProvisionOrderAndNoLogoutAfterAFailure)
{
    open()->fullProvision("12345678", "123456", "Orvela", "orvela-sign", Bytes{0x01});
    EXPECT_THAT(frameCalls(),
                ElementsAre("C_Initialize", "C_GetSlotList(probe)", "C_GetSlotList",
                            "C_InitToken label=[Orvela                          ]",
                            "C_OpenSession slot=7 flags=6", "C_Login type=0", "C_InitPIN",
                            "C_Logout", "C_Login type=1", "C_GenerateKeyPair public=7 private=8",
                            "C_Logout", "C_CloseSession", "C_Finalize"));

    script("rv C_GenerateKeyPair 0x130\n");
    std::filesystem::remove(std::filesystem::path(std::getenv("ORVELA_P11_STUB_LOG")));
    const auto error = errorOf(
        [&] { open()->fullProvision("12345678", "123456", "Orvela", "orvela-sign", Bytes{0x01}); });
    EXPECT_EQ(error.errorDescription(), "C_GenerateKeyPair амжилтгүй: CKR=0x00000130");
    const auto after = frameCalls();
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[after.size() - 3], "C_GenerateKeyPair public=7 private=8");
    EXPECT_EQ(after[after.size() - 2], "C_CloseSession");
    EXPECT_EQ(after.back(), "C_Finalize");
}

TEST_F(StubLibrary, TokenLabelIsPaddedOrCutToThirtyTwoBytes)
{
    auto module = open();
    module->initialize();
    module->initToken(7, "12345678", std::string(40, 'L'));
    module->initToken(7, "12345678", "abc");
    const auto log = calls();
    EXPECT_EQ(log[1], "C_InitToken label=[" + std::string(32, 'L') + "]");
    EXPECT_EQ(log[2], "C_InitToken label=[abc" + std::string(29, ' ') + "]");
}

TEST_F(StubLibrary, ECPointForms)
{
    const std::string point = "04" + std::string(128, 'A');
    struct Case {
        std::string stored;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"0441" + point, point},             // DER-wrapped, short length
        {"048141" + point, point},           // DER-wrapped, one-byte long length
        {point, point},                      // raw point: second byte AA, unchanged
        {"04" + std::string(130, 'B'), ""},  // raw, second byte BB: unchanged
        {"0490" + std::string(20, 'C'), ""}, // raw, other long form: unchanged
        {"0402AB", ""},                      // length longer than the data
        {"0401", ""},                        // fewer than three bytes
        {"0302ABCD", ""},                    // not an OCTET STRING
        {"040100", "00"},                    // a one-byte value
        {"048102ABCD", "ABCD"},              // long form, short value
    };
    std::string text;
    for (const auto& c : cases) {
        text += "object class=2 label=p id=01 keytype=3 ecpoint=" + c.stored + "\n";
    }
    script(text);
    auto module = open();
    module->initialize();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        const std::string expected = c.expected.empty() ? c.stored : c.expected;
        EXPECT_EQ(bytesToHex(module->readECPoint(42, i + 1)), expected) << "case " << i;
    }
}

TEST_F(StubLibrary, UnreadableClassListsAsData)
{
    script("object class=none label=odd id=0A0B keytype=3\n"
           "object class=2 label=pub keytype=0\n"
           "object class=2 label=other keytype=99\n"
           "object class=1 label=cert id=01 keytype=3\n");
    const auto objects = open()->listObjects("1234");
    EXPECT_THAT(objects,
                ElementsAre(PKCS11Module::TokenObjectInfo{"0a0b", "odd", "data", ""},
                            PKCS11Module::TokenObjectInfo{"", "pub", "publicKey", "RSA"},
                            PKCS11Module::TokenObjectInfo{"", "other", "publicKey", ""},
                            PKCS11Module::TokenObjectInfo{"01", "cert", "certificate", ""}));
}

TEST_F(StubLibrary, LabelsAreDecodedAsUtf8WithReplacement)
{
    // "Орв" in UTF-8; a lone continuation byte and a truncated sequence (one replacement
    // each); an overlong "/" (two bytes that cannot start or continue: two replacements);
    // a surrogate half (ED A0 80: three).
    script("object class=1 labelhex=D09ED180D0B2 id=01\n"
           "object class=1 labelhex=41804142E282 id=02\n"
           "object class=1 labelhex=C0AF id=03\n"
           "object class=1 labelhex=EDA080 id=04\n");
    const auto objects = open()->listObjects("1234");
    ASSERT_EQ(objects.size(), 4u);
    EXPECT_EQ(objects[0].label, "Орв");
    EXPECT_EQ(objects[1].label, "A\uFFFDAB\uFFFD");
    EXPECT_EQ(objects[2].label, "\uFFFD\uFFFD");
    EXPECT_EQ(objects[3].label, "\uFFFD\uFFFD\uFFFD");
}

TEST_F(StubLibrary, EnvironmentVariableChoosesTheLibrary)
{
    ::setenv(PKCS11Module::kLibraryEnvironmentVariable, ORVELA_P11_STUB_FULL, 1);
    script("slots 3\n");
    auto module = PKCS11Module::open();
    ::unsetenv(PKCS11Module::kLibraryEnvironmentVariable);
    module->initialize();
    EXPECT_EQ(module->getSlotList(true), (std::vector<unsigned long>{7, 8, 9}));
}

TEST_F(StubLibrary, DeletionMatchesKindAndIdAsWholeStrings)
{
    script("object class=1 label=c id=01\n"
           "object class=3 label=k id=0102 keytype=3\n"
           "object class=3 label=k id=01 keytype=3\n");
    auto module = open();
    const auto error = errorOf([&] { module->deleteObject("1234", "01", "publicKey"); });
    EXPECT_EQ(error.errorDescription(), "object_not_found амжилтгүй: CKR=0x00000000");
    module->deleteObject("1234", "01", "privateKey");
    EXPECT_THAT(calls(), ::testing::Contains("C_DestroyObject handle=3"));
}

TEST_F(StubLibrary, MissingKeysAreReportedByName)
{
    script("object class=1 label=c id=01\n");
    auto module = open();
    EXPECT_EQ(
        errorOf([&] { module->signECDSA("1234", std::nullopt, Bytes(32, 1)); }).errorDescription(),
        "findPrivateKey (not found) амжилтгүй: CKR=0x00000000");
    EXPECT_EQ(errorOf([&] {
                  module->generateCSR("1234", std::nullopt, {"X", {}, {}, {}});
              }).errorDescription(),
              "findPublicKey (not found) амжилтгүй: CKR=0x00000000");
}

TEST_F(StubLibrary, RequestWithoutLabelSignsWithThePrivateKeyOfTheSameId)
{
    const std::string point = "04" + std::string(128, 'A');
    script("object class=2 label=a id=01 keytype=3 ecpoint=0441" + point + "\n" +
           "object class=3 label=b id=02 keytype=3\n" + "object class=3 label=a id=01 keytype=3\n");
    const auto request = open()->generateCSR("1234", std::nullopt, {"X", {}, {}, {}});
    EXPECT_THAT(calls(), ::testing::Contains("C_SignInit mechanism=4161 key=3"));
    EXPECT_FALSE(request.der.empty());
}

TEST_F(StubLibrary, RequestRefusesAPointThatIsNotUncompressedP256)
{
    script("object class=2 label=a id=01 keytype=3 ecpoint=0421" + std::string(66, 'A') + "\n" +
           "object class=3 label=a id=01 keytype=3\n");
    try {
        open()->generateCSR("1234", std::string("a"), {"X", {}, {}, {}});
        ADD_FAILURE() << "accepted a compressed point";
    } catch (const CSRError& e) {
        EXPECT_EQ(e.code(), CSRError::Code::invalidPublicKey);
    }
    EXPECT_EQ(calls().back(), "C_Finalize");
    EXPECT_THAT(calls(), ::testing::Not(::testing::Contains(HasSubstr("C_Sign"))));
}

TEST_F(StubLibrary, SignatureIsReturnedAsTheLibraryGivesIt)
{
    script("signature 3045AABB\nobject class=3 label=k id=01 keytype=3\n");
    EXPECT_EQ(bytesToHex(open()->signECDSA("1234", std::nullopt, Bytes(20, 1))), "3045AABB");
}

TEST_F(StubLibrary, ImportWritesSevenAttributes)
{
    open()->importCertificate("1234", "eid-cert", Bytes{0x30, 0x00}, Bytes{0x01});
    EXPECT_THAT(calls(), ::testing::Contains("C_CreateObject count=7"));
    EXPECT_THAT(calls(), ::testing::Contains("C_OpenSession slot=7 flags=6"));
}

} // namespace
