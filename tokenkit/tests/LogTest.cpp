#include "orvela/tokenkit/Log.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvela::tokenkit;

namespace {

struct Line {
    std::string subsystem, category, message;
    LogLevel level;
};

class CapturingSink : public LogSink {
public:
    std::vector<Line> lines;
    void write(std::string_view subsystem, std::string_view category, LogLevel level,
               std::string_view message) override
    {
        lines.push_back({std::string(subsystem), std::string(category), std::string(message),
                         level});
    }
};

class LogTest : public ::testing::Test {
protected:
    void TearDown() override { setLogSink(nullptr); }
};

} // namespace

TEST_F(LogTest, LinesCarrySubsystemCategoryAndLevel)
{
    auto sink = std::make_shared<CapturingSink>();
    setLogSink(sink);
    constexpr Logger driver("TesselDriver");
    driver.info("VERIFY PIN: амжилттай");
    driver.error("SIGN failed: SW=6A80");
    ASSERT_EQ(sink->lines.size(), 2u);
    EXPECT_EQ(sink->lines[0].subsystem, "mn.orvela.token-kit");
    EXPECT_EQ(sink->lines[0].category, "TesselDriver");
    EXPECT_EQ(sink->lines[0].level, LogLevel::info);
    EXPECT_EQ(sink->lines[0].message, "VERIFY PIN: амжилттай");
    EXPECT_EQ(sink->lines[1].level, LogLevel::error);
}

TEST_F(LogTest, ResettingTheSinkRestoresStandardErrorAndOldSinkGetsNothingMore)
{
    auto sink = std::make_shared<CapturingSink>();
    setLogSink(sink);
    setLogSink(nullptr);
    testing::internal::CaptureStderr();
    Logger("TokenManager").info("Session нээгдлээ: reader");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(sink->lines.empty());
    EXPECT_NE(err.find("mn.orvela.token-kit.TokenManager info: Session нээгдлээ: reader"),
              std::string::npos);
}
