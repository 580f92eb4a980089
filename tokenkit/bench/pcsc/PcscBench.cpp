// Prints round-trip and provisioning times over the in-process virtual reader and over the
// real stack (pcscd + vpcd + the virtual token bridged into "Virtual PCD 00 01").
// Usage: bench-pcsc [ROUND_TRIPS] [PROVISIONING_RUNS]

#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VpcdBridge.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenWatcher.h"
#include "orvela/tokenkit/TransportKey.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using namespace orvela;
using tokenkit::Bytes;
using tokenkit::CardReaders;
using tokenkit::SmartCard;
using tokenkit::TesselDriver;
using Clock = std::chrono::steady_clock;

namespace {

const Bytes kGetChallenge{0x00, 0x84, 0x00, 0x00, 0x08};
const Bytes kUserPin = tokenkit::toBytes("123456");
const Bytes kPuk = tokenkit::toBytes("87654321");

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto n = samples.size();
    return n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

template <class Step> double medianOf(int runs, Step&& step)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        step();
        samples.push_back(microseconds(Clock::now() - start));
    }
    return median(std::move(samples));
}

void openChannel(TesselDriver& driver, SmartCard& card)
{
    const Bytes key = tokenkit::defaultTransportKey();
    driver.establishSecureSession(key, key, card);
}

void provision(CardReaders& manager, int reader)
{
    manager.withSession(reader, [](SmartCard& card) {
        TesselDriver driver;
        openChannel(driver, card);
        driver.initializePIN(kUserPin, kPuk, card);
    });
}

void generateKey(CardReaders& manager, int reader)
{
    manager.withSession(reader, [](SmartCard& card) {
        TesselDriver driver;
        openChannel(driver, card);
        driver.verifyPIN(kUserPin, TesselDriver::kUserPinReference, card);
        driver.generateECKeyPair(0x01, card);
    });
}

void measure(const char* where, CardReaders& manager, int reader, int roundTrips, int runs)
{
    const double plain = manager.withSession(reader, [&](SmartCard& card) {
        return medianOf(roundTrips, [&] { card.transmit(kGetChallenge); });
    });
    std::printf("%-22s plain APDU round trip (GET CHALLENGE), median of %d: %8.1f us\n", where,
                roundTrips, plain);

    const double provisioning = medianOf(runs, [&] { provision(manager, reader); });
    const double keyGeneration = medianOf(runs, [&] { generateKey(manager, reader); });
    std::printf("%-22s provisioning (initializePIN session), median of %d: %10.1f us\n", where,
                runs, provisioning);
    std::printf("%-22s key generation (VERIFY + GENERATE session), median of %d: %6.1f us\n", where,
                runs, keyGeneration);

    // The token is provisioned now, so a verified VERIFY is a harmless protected command.
    const double wrapped = manager.withSession(reader, [&](SmartCard& card) {
        TesselDriver driver;
        openChannel(driver, card);
        return medianOf(roundTrips,
                        [&] { driver.verifyPIN(kUserPin, TesselDriver::kUserPinReference, card); });
    });
    std::printf("%-22s protected round trip (VERIFY under SM), median of %d: %8.1f us\n", where,
                roundTrips, wrapped);
}

/// Waits for the bridged card to show up in the vpcd reader; false when it does not.
bool waitForCard(const std::string& reader)
{
    std::promise<void> seen;
    std::once_flag once;
    tokenkit::TokenWatcher watcher(tokenkit::makePcscBackend(), [&](const tokenkit::CardEvent& e) {
        if (e.readerName == reader) {
            std::call_once(once, [&] { seen.set_value(); });
        }
    });
    return seen.get_future().wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

void overPcscd(int roundTrips, int runs)
{
    const std::string readerName = "Virtual PCD 00 01";
    CardReaders manager(tokenkit::makePcscBackend());
    const auto names = manager.getReaderNames();
    const auto found = std::find(names.begin(), names.end(), readerName);
    if (found == names.end()) {
        std::printf("pcscd + vpcd: not running (no reader \"%s\"); skipped\n", readerName.c_str());
        return;
    }
    sim::VirtualToken token{sim::VirtualToken::Options{}};
    sim::VpcdBridge bridge(token, {"127.0.0.1", 35964, {}, {}, {}});
    std::thread serving([&] { bridge.run(); });
    if (waitForCard(readerName)) {
        measure("pcscd + vpcd:", manager, static_cast<int>(found - names.begin()), roundTrips,
                runs);
    } else {
        std::printf("pcscd + vpcd: the bridged card did not appear; skipped\n");
    }
    bridge.stop();
    serving.join();
}

void inProcess(int roundTrips, int runs)
{
    auto backend = std::make_shared<sim::VirtualReaderBackend>(1);
    backend->setToken(0, std::make_shared<sim::VirtualToken>(sim::VirtualToken::Options{}));
    CardReaders manager(backend);
    measure("in-process emulator:", manager, 0, roundTrips, runs);
}

} // namespace

int main(int argc, char** argv)
{
    // Session log lines would drown the figures.
    struct Quiet : tokenkit::LogSink {
        void write(std::string_view, std::string_view, tokenkit::LogLevel,
                   std::string_view) override
        {}
    };
    tokenkit::setLogSink(std::make_shared<Quiet>());
    const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    try {
        inProcess(roundTrips, runs);
        overPcscd(roundTrips, runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-pcsc: %s\n", e.what());
        return 1;
    }
    return 0;
}
