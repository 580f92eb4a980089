// The token's half of the secure channel and its access rules. The driver suite relies on the
// token refusing what a broken driver would send (a forged MAC or cryptogram, an administrative
// command outside the channel, key generation without the user PIN of this session); without
// these refusals driver faults would pass unnoticed. Then its saved state.

#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;
namespace commands = orvela::tokenkit::DriverCommands;
using orvela::tokenkit::test::tokenOptions;

TEST(SecureChannel, ForgedMacIsRefusedAndEndsTheChannel)
{
    // A command out of step with the counter is driven by the host channel's own suite.
    for (const auto mode : {VirtualToken::Mode::des, VirtualToken::Mode::aes}) {
        VirtualToken token(tokenOptions(mode));
        HostChannel channel(token, defaultKey());
        Bytes forged = channel.sm().wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("3F00"), {});
        forged[forged.size() - 2] ^= 0x40; // last MAC byte, before the trailing Le
        EXPECT_EQ(split(channel.callRaw(forged)).sw, 0x6988);
        // Even a correctly wrapped command now finds no channel.
        EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("3F00")).sw, 0x6882);
    }
}

TEST(SecureChannel, AuthenticationOutOfOrderOrForgedOpensNothing)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    const char* zeros = "8482030010 00000000000000000000000000000000";
    EXPECT_EQ(send(token, zeros).sw, 0x6985);
    ASSERT_EQ(send(token, "8050000008 1122334455667788 1C").sw, 0x9000);
    EXPECT_EQ(send(token, zeros).sw, 0x6982);
    // A failed attempt leaves nothing to retry against.
    EXPECT_EQ(send(token, zeros).sw, 0x6985);
    EXPECT_EQ(send(token, "0CA4000000").sw, 0x6882);
}

TEST(AccessRules, AdministrativeCommandsNeedTheChannel)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    const std::string fcp = orvela::tokenkit::bytesToHex(
        commands::buildEFFCP(0x4406, 16, 0x01, hexToBytes("FFFF000000000000")));
    for (const std::string& command :
         {std::string("800E000000"), "80E000001B" + fcp,
          std::string("80E300001A 0100909000000000FF00 000102030405060708090A0B0C0D0E0F"),
          std::string("004600000B 3008040101800113810120")}) {
        EXPECT_EQ(send(token, command).sw, 0x6982) << command;
    }
    EXPECT_EQ(send(token, "00A4000002 4401").sw, 0x9000);
    EXPECT_EQ(send(token, "00D6000002 AABB").sw, 0x6982);
    // Nothing of the refused commands took effect.
    EXPECT_EQ(send(token, "00B0000002").data, hexToBytes("0000"));
    EXPECT_EQ(send(token, "00A4000002 4406").sw, 0x6A82);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
    EXPECT_FALSE(token.publicKey(1));
    EXPECT_TRUE(HostChannel(token, defaultKey()).sm().isEstablished());
}

TEST(Keys, GenerationNeedsTheChannelAndTheUserPinOfThisSession)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    const Bytes params = commands::ecKeyParameters(0x01);
    HostChannel channel(token, defaultKey());
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // The SO PIN does not open key generation, and a failed VERIFY withdraws an earlier success.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0001, pinBlock("87654321")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123457")).sw, 0x63C9);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // Reset forgets the verification and the channel.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    token.reset();
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6882);
    HostChannel fresh(token, defaultKey());
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_FALSE(token.publicKey(1));

    EXPECT_EQ(fresh.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    const Bytes first = *token.publicKey(1);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    EXPECT_NE(*token.publicKey(1), first); // generating again replaces the key
}

namespace {

namespace fs = std::filesystem;

const Bytes kOwnKey = hexToBytes("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF");

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("orvela-vtoken-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        options.stateFile = (dir / "token.state").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    /// Provisions the token in the state file and installs transport keys of its own.
    void provisionWithOwnKey()
    {
        VirtualToken token(options);
        provision(token, true);
        HostChannel channel(token, defaultKey());
        for (const std::uint8_t type : {std::uint8_t{0x01}, std::uint8_t{0x02}}) {
            const Bytes data = commands::secretKeyData(kOwnKey, type, 0x00, 0x90, 0x90, 0);
            ASSERT_EQ(channel.call(0x80, 0xE3, 0, data).sw, 0x9000);
        }
    }

    void overwrite(const std::string& text)
    {
        std::ofstream(options.stateFile, std::ios::trunc) << text;
    }

    fs::path dir;
    VirtualToken::Options options;
};

} // namespace

TEST_F(StateFileTest, ProvisionedAndErasedTokenSurvivesARestart)
{
    {
        VirtualToken token(options);
        EXPECT_FALSE(fs::exists(options.stateFile)); // nothing changed yet
    }
    provisionWithOwnKey();
    Bytes point;
    {
        VirtualToken token(options);
        point = *token.publicKey(1);
        HostChannel channel(token, kOwnKey);
        ASSERT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("4401")).sw, 0x9000);
        ASSERT_EQ(channel.call(0x00, 0xD6, 0x0010, hexToBytes("C0FFEE")).sw, 0x9000);
        EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("0000")).sw, 0x63C9);
    }
    EXPECT_FALSE(fs::exists(options.stateFile + ".tmp"));

    VirtualToken restarted(options);
    EXPECT_EQ(restarted.pinTriesLeft(1), 9);
    EXPECT_EQ(restarted.pinTriesLeft(2), 10);
    EXPECT_EQ(restarted.publicKey(1), point);
    ASSERT_EQ(send(restarted, "00A4000002 4401").sw, 0x9000);
    EXPECT_EQ(send(restarted, "00B0001003").data, hexToBytes("C0FFEE"));
    // The installed transport key, the PIN and the private key came back too.
    HostChannel channel(restarted, kOwnKey);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x2A, 0x9E9A, Bytes(32, 7)).data.size(), 64u);

    // Erasing is saved too, and brings back the default transport key.
    ASSERT_EQ(channel.call(0x80, 0x0E, 0, Bytes{}).sw, 0x9000);
    VirtualToken erased(options);
    EXPECT_FALSE(erased.pinTriesLeft(1));
    EXPECT_FALSE(erased.publicKey(1));
    EXPECT_EQ(send(erased, "00A4000002 5015").sw, 0x6A82);
    EXPECT_TRUE(HostChannel(erased, defaultKey()).sm().isEstablished());
}

TEST_F(StateFileTest, DamagedStateIsRefusedNotWiped)
{
    provisionWithOwnKey();
    std::string saved;
    {
        std::ifstream in(options.stateFile);
        saved.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string firstLine = saved.substr(0, saved.find('\n') + 1);
    // Cut before the end marker as an interrupted copy would, another file, and lines that
    // cannot be: a PIN with more tries than its counter, a short key, a file in a missing DF.
    for (const std::string& damaged :
         {saved.substr(0, saved.size() / 2), std::string("something else\n"),
          firstLine + "pin 1 4 10 99 00\nend\n", firstLine + "transport-enc 0102\nend\n",
          firstLine + "pin 1 4 10 11 00\nend\n",
          firstLine + "file 20480 16128 1 2 - - 000000\nend\n"}) {
        overwrite(damaged);
        EXPECT_THROW(VirtualToken{options}, std::runtime_error) << damaged;
    }
    overwrite(saved);
    EXPECT_EQ(VirtualToken(options).pinTriesLeft(1), 10);
}

TEST_F(StateFileTest, StateIsPrivateAndAFailedSaveIsReported)
{
    VirtualToken token(options);
    HostChannel channel(token, defaultKey());
    ASSERT_EQ(channel.call(0x80, 0x0E, 0, Bytes{}).sw, 0x9000);
    const auto perms = fs::status(options.stateFile).permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);

    fs::remove_all(dir);
    const Bytes wrapped = channel.sm().wrapAPDU(0x80, 0x0E, 0x00, 0x00, Bytes{}, std::nullopt);
    EXPECT_THROW(token.process(wrapped), std::runtime_error);
    // Reading changes nothing and needs no save (the folder is back only for the lock).
    fs::create_directories(dir);
    EXPECT_EQ(send(token, "0084000008").sw, 0x9000);
}

TEST_F(StateFileTest, TokensSharingOneFileTakeTurns)
{
    provisionWithOwnKey();
    // Each thread stands for a process of its own: its own token on the same file, each
    // writing twenty bytes of its own value into one shared file of the card.
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (std::uint8_t value = 1; value <= 3; ++value) {
        threads.emplace_back([&, value] {
            try {
                VirtualToken token(options);
                HostChannel channel(token, kOwnKey);
                failures += channel.call(0x00, 0xA4, 0, hexToBytes("4401")).sw != 0x9000;
                for (int i = 0; i < 20; ++i) {
                    const auto offset = static_cast<std::uint16_t>((value - 1) * 20 + i);
                    failures += channel.call(0x00, 0xD6, offset, Bytes{value}).sw != 0x9000;
                }
            } catch (const std::exception&) {
                ++failures;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    VirtualToken after(options);
    ASSERT_EQ(send(after, "00A4000002 4401").sw, 0x9000);
    const Bytes written = send(after, "00B000003C").data;
    for (std::uint8_t value = 1; value <= 3; ++value) {
        EXPECT_EQ(std::count(written.begin(), written.end(), value), 20) << int(value);
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(name == "token.state" || name == "token.state.lock") << name;
    }
}
