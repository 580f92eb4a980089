#include "orvela/tokenkit/Log.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvela::tokenkit;

namespace {

struct CapturingSink : LogSink {
    std::vector<std::string> lines;
    void write(std::string_view subsystem, std::string_view category, LogLevel level,
               std::string_view message) override
    {
        lines.push_back(std::string(subsystem) + " " + std::string(category) + " " +
                        (level == LogLevel::error ? "error " : "info ") + std::string(message));
    }
};

} // namespace

TEST(Log, LinesGoToTheSinkUntilItIsResetThenToStandardError)
{
    auto sink = std::make_shared<CapturingSink>();
    setLogSink(sink);
    Logger("TesselDriver").info("VERIFY PIN: амжилттай");
    Logger("TesselDriver").error("SIGN failed: SW=6A80");
    setLogSink(nullptr);
    testing::internal::CaptureStderr();
    Logger("TokenManager").info("Session нээгдлээ: reader");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(sink->lines,
              (std::vector<std::string>{
                  "mn.orvela.token-kit TesselDriver info VERIFY PIN: амжилттай",
                  "mn.orvela.token-kit TesselDriver error SIGN failed: SW=6A80"}));
    EXPECT_NE(err.find("mn.orvela.token-kit.TokenManager info: Session нээгдлээ: reader"),
              std::string::npos);
}
