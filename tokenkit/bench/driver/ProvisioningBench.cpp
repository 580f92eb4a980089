// Prints how long a full provisioning (initializePIN) plus key generation takes over the
// in-process virtual token, in each channel mode: the driver's and the emulator's own cost,
// without any reader in between. Median of several runs, each on a fresh token.

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TransportKey.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace orvela::tokenkit;
using orvela::sim::VirtualToken;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 9;

class SessionCard final : public SmartCard {
public:
    explicit SessionCard(VirtualToken& token) : m_token(token) {}
    ~SessionCard() override { m_token.reset(); }
    Bytes transmit(ByteView command) override
    {
        ++commands;
        return m_token.process(command);
    }
    Bytes atr() override { return m_token.atr(); }
    int commands = 0;

private:
    VirtualToken& m_token;
};

struct QuietSink final : LogSink {
    void write(std::string_view, std::string_view, LogLevel, std::string_view) override {}
};

struct Timing {
    double initializeMs;
    double keyGenerationMs;
    int commands;
};

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Timing provisionOnce(VirtualToken::Mode mode)
{
    VirtualToken::Options options;
    options.mode = mode;
    VirtualToken token(options);
    const Bytes key = defaultTransportKey();
    const Bytes pin = toBytes("246810");
    const Bytes puk = toBytes("13579135");
    Timing timing{};

    auto start = Clock::now();
    {
        SessionCard card(token);
        TesselDriver driver;
        driver.establishSecureSession(key, key, card);
        driver.initializePIN(pin, puk, card);
        timing.commands += card.commands;
    }
    timing.initializeMs = millisecondsSince(start);

    start = Clock::now();
    {
        SessionCard card(token);
        TesselDriver driver;
        driver.establishSecureSession(key, key, card);
        driver.verifyPIN(pin, TesselDriver::kUserPinReference, card);
        driver.generateECKeyPair(0x01, card);
        timing.commands += card.commands;
    }
    timing.keyGenerationMs = millisecondsSince(start);
    return timing;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main()
{
    setLogSink(std::make_shared<QuietSink>());
    std::printf("Provisioning (initializePIN) + key generation over the in-process virtual token, "
                "median of %d runs\n",
                kRuns);
    std::printf("%-6s %10s %12s %10s %9s\n", "mode", "init ms", "keygen ms", "total ms",
                "commands");
    const std::pair<const char*, VirtualToken::Mode> modes[] = {
        {"des", VirtualToken::Mode::des},
        {"aes", VirtualToken::Mode::aes},
        {"fips", VirtualToken::Mode::aesFips}};
    for (const auto& [name, mode] : modes) {
        std::vector<double> init;
        std::vector<double> keygen;
        std::vector<double> total;
        int commands = 0;
        for (int run = 0; run < kRuns; ++run) {
            const Timing t = provisionOnce(mode);
            init.push_back(t.initializeMs);
            keygen.push_back(t.keyGenerationMs);
            total.push_back(t.initializeMs + t.keyGenerationMs);
            commands = t.commands;
        }
        std::printf("%-6s %10.3f %12.3f %10.3f %9d\n", name, median(init), median(keygen),
                    median(total), commands);
    }
    return 0;
}
