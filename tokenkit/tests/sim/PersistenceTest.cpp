#include "TokenHarness.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;

namespace {

namespace fs = std::filesystem;

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir =
            fs::temp_directory_path() /
            ("orvela-vtoken-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        options.stateFile = (dir / "token.state").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    VirtualToken::Options options;
};

const Bytes kOwnKey = hexToBytes("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF");

} // namespace

TEST_F(StateFileTest, ProvisionedTokenSurvivesARestart)
{
    Bytes point;
    {
        VirtualToken token(options);
        EXPECT_FALSE(fs::exists(options.stateFile)); // nothing changed yet
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, kOwnKey, "1234", "87654321"), 0x9000);
        ASSERT_EQ(generateKey(channel, "1234", 1), 0x9000);
        ASSERT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("4401")).sw, 0x9000);
        ASSERT_EQ(channel.call(0x00, 0xD6, 0x00, 0x10, hexToBytes("C0FFEE")).sw, 0x9000);
        EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("0000")).sw, 0x63C9);
        point = *token.publicKey(1);
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
    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(restarted.pinTriesLeft(1), 10);
    const Reply signature = channel.call(0x00, 0x2A, 0x9E, 0x9A, Bytes(32, 7));
    EXPECT_EQ(signature.sw, 0x9000);
    EXPECT_EQ(signature.data.size(), 64u);
}

TEST_F(StateFileTest, EraseIsSavedToo)
{
    {
        VirtualToken token(options);
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, kOwnKey, "1234", "87654321"), 0x9000);
        ASSERT_EQ(channel.call(0x80, 0x0E, 0x00, 0x00, Bytes{}).sw, 0x9000);
    }
    VirtualToken restarted(options);
    EXPECT_FALSE(restarted.pinTriesLeft(1));
    EXPECT_EQ(send(restarted, "00A4000002 5015").sw, 0x6A82);
    HostChannel channel(restarted, defaultKey());
    EXPECT_TRUE(channel.sm().isEstablished());
}

TEST_F(StateFileTest, DamagedStateIsRefusedNotWiped)
{
    {
        VirtualToken token(options);
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, kOwnKey, "1234", "87654321"), 0x9000);
    }
    std::string saved;
    {
        std::ifstream in(options.stateFile);
        saved.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Cut before the end marker, as an interrupted copy would.
    {
        std::ofstream out(options.stateFile, std::ios::trunc);
        out << saved.substr(0, saved.size() / 2);
    }
    EXPECT_THROW(VirtualToken{options}, std::runtime_error);
    {
        std::ofstream out(options.stateFile, std::ios::trunc);
        out << "something else\n";
    }
    EXPECT_THROW(VirtualToken{options}, std::runtime_error);
    {
        std::ofstream out(options.stateFile, std::ios::trunc);
        out << saved.substr(0, saved.find('\n') + 1) << "pin 1 4 10 99 00\nend\n";
    }
    EXPECT_THROW(VirtualToken{options}, std::runtime_error);

    for (const char* line :
         {"transport-enc 0102\n", "pin 1 4 10 11 00\n", "file 20480 16128 1 2 - - 000000\n"}) {
        std::ofstream out(options.stateFile, std::ios::trunc);
        out << saved.substr(0, saved.find('\n') + 1) << line << "end\n";
        out.close();
        EXPECT_THROW(VirtualToken{options}, std::runtime_error) << line;
    }

    // The intact file still loads.
    {
        std::ofstream out(options.stateFile, std::ios::trunc);
        out << saved;
    }
    VirtualToken restored(options);
    EXPECT_EQ(restored.pinTriesLeft(1), 10);
}

TEST_F(StateFileTest, StateIsPrivateAndAFailedSaveIsReported)
{
    VirtualToken token(options);
    HostChannel channel(token, defaultKey());
    ASSERT_EQ(channel.call(0x80, 0x0E, 0x00, 0x00, Bytes{}).sw, 0x9000);
    ASSERT_TRUE(fs::exists(options.stateFile));
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
    {
        VirtualToken token(options);
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, kOwnKey, "1234", "87654321"), 0x9000);
    }
    // Each thread stands for a process of its own: its own token on the same file, each
    // writing bytes of its own into one shared file of the card.
    constexpr int kTokens = 3;
    constexpr int kWrites = 20;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kTokens; ++t) {
        threads.emplace_back([&, t] {
            try {
                VirtualToken token(options);
                HostChannel channel(token, kOwnKey);
                if (channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("4401")).sw != 0x9000) {
                    ++failures;
                }
                for (int i = 0; i < kWrites; ++i) {
                    const auto offset = static_cast<std::uint8_t>(t * kWrites + i);
                    if (channel.call(0x00, 0xD6, 0x00, offset, Bytes{std::uint8_t(t + 1)}).sw !=
                        0x9000) {
                        ++failures;
                    }
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
    const Reply content = send(after, "00B00000" + std::string("3C"));
    Bytes expected;
    for (int t = 0; t < kTokens; ++t) {
        expected.insert(expected.end(), kWrites, std::uint8_t(t + 1));
    }
    EXPECT_EQ(content.data, expected);
    for (const auto& entry : fs::directory_iterator(dir)) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(name == "token.state" || name == "token.state.lock") << name;
    }
}
