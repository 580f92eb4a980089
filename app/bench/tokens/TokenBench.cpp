// Prints the token manager's figures through pcscd, vpcd's second reader and a virtual token
// bridged into it from this process:
//  1. the delay from a card's insertion, as pcscd's own status-change event shows it to a
//     thread blocked in SCardGetStatusChange on that reader, to the manager publishing the
//     token's information (target: within one frame, 16 ms);
//  2. the longest stall of the interface thread while the token detail screen, shown, runs APDU
//     provisioning, key generation and a signature through pcscd (target < 16 ms).
// Needs pcscd with the vpcd driver: scripts/lib/with-pcsc.sh build
// build/app/bench/tokens/bench-tokens
#include "VpcdReader.h"
#include "common/LocalizationService.h"
#include "orvela/sim/VpcdBridge.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/Log.h"
#include "tokens/ProvisionController.h"
#include "tokens/SignTestController.h"
#include "tokens/TokenManager.h"
#include "tokens/views/TokensView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>
#include <winscard.h>

using namespace orvela;
using Clock = std::chrono::steady_clock;
namespace vpcd = tokenkit::test;

namespace {

constexpr int insertions = 20;
const tokenkit::Bytes kUserPin{'1', '2', '3', '4', '5', '6'};
const tokenkit::Bytes kSoPin{'8', '7', '6', '5', '4', '3', '2', '1'};

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

template <class Predicate> bool runUntil(Predicate done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return done();
}

void runFor(int ms)
{
    runUntil([] { return false; }, ms);
}

/// Timestamps each appearance of a card in the reader, from a thread of its own blocked in
/// SCardGetStatusChange: the event the manager's watcher wakes on too.
class InsertionClock {
public:
    InsertionClock() : m_thread([this] { run(); }) {}
    ~InsertionClock()
    {
        m_stopping = true;
        m_thread.join();
    }

    bool ready() const { return m_ready; }

    std::vector<Clock::time_point> stamps()
    {
        std::lock_guard lock(m_mutex);
        return m_stamps;
    }

private:
    void run()
    {
        SCARDCONTEXT context = 0;
        SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context);
        SCARD_READERSTATE state{};
        state.szReader = vpcd::kBridgeReader;
        state.dwCurrentState = SCARD_STATE_UNAWARE;
        while (!m_stopping) {
            // The timeout only lets the destructor in; a change returns at once.
            if (SCardGetStatusChange(context, 200, &state, 1) != SCARD_S_SUCCESS) {
                continue;
            }
            m_ready = true;
            const auto now = Clock::now();
            const bool was = (state.dwCurrentState & SCARD_STATE_PRESENT) != 0;
            const bool is = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
            if (is && !was && state.dwCurrentState != SCARD_STATE_UNAWARE) {
                std::lock_guard lock(m_mutex);
                m_stamps.push_back(now);
            }
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        }
        SCardReleaseContext(context);
    }

    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_stamps;
    std::thread m_thread;
};

/// A token in the bridge reader for as long as it lives.
class BridgedToken {
public:
    explicit BridgedToken(std::string label)
        : m_token(optionsWith(std::move(label))),
          m_bridge(m_token, {"127.0.0.1", vpcd::bridgePort(), {}, {}, {}}),
          m_thread([this] { m_bridge.run(); })
    {}
    ~BridgedToken()
    {
        m_bridge.stop();
        m_thread.join();
    }

private:
    static sim::VirtualToken::Options optionsWith(std::string label)
    {
        sim::VirtualToken::Options options;
        options.label = std::move(label);
        return options;
    }

    sim::VirtualToken m_token;
    sim::VpcdBridge m_bridge;
    std::thread m_thread;
};

int readerIndex(tokenkit::CardReaders& readers)
{
    const auto names = readers.getReaderNames();
    const auto found = std::find(names.begin(), names.end(), vpcd::kBridgeReader);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

void printSpread(const char* what, std::vector<double> values, const char* target)
{
    if (values.empty()) {
        std::printf("%s: no measurement\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%s over %zu insertions: median %.2f ms, max %.2f ms (%s)\n", what, values.size(),
                values[values.size() / 2], values.back(), target);
}

void benchInsertion(const std::shared_ptr<tokenkit::CardReaders>& readers, int reader)
{
    tokens::TokenManager manager(readers, nullptr, true, reader);
    InsertionClock events;
    runUntil([&] { return events.ready(); }, 5000);

    std::vector<double> delays;
    for (int run = 0; run < insertions; ++run) {
        const std::string label = "Bench token " + std::to_string(run);
        Clock::time_point published{};
        const auto connection =
            QObject::connect(&manager, &tokens::TokenManager::tokenInfoChanged, &manager, [&] {
                if (manager.tokenInfo() && manager.tokenInfo()->label == label) {
                    published = Clock::now();
                }
            });
        const auto before = events.stamps().size();
        {
            BridgedToken token(label);
            runUntil([&] { return published != Clock::time_point{}; }, 10'000);
            // The clock's thread may be scheduled after the watcher's, on a busy machine.
            runUntil([&] { return events.stamps().size() > before; }, 1000);
            const auto stamps = events.stamps();
            if (published != Clock::time_point{} && stamps.size() > before) {
                delays.push_back(msBetween(stamps[before], published));
            }
        }
        QObject::disconnect(connection);
        runUntil([&] { return !manager.isCardPresent(); }, 10'000);
        runFor(200); // the removal's own refresh settles before the next card
    }
    printSpread("insertion (pcscd status-change event) to the manager publishing the token", delays,
                "target: within 16 ms of the event");
}

/// A 1 ms timer on the interface thread; any gap beyond its period was a stall.
class StallProbe {
public:
    StallProbe()
    {
        m_probe.setTimerType(Qt::PreciseTimer);
        m_probe.setInterval(1);
        QObject::connect(&m_probe, &QTimer::timeout, &m_probe, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_probe.start();
    }
    double longestMs() const { return static_cast<double>(m_longest) / 1e6; }

private:
    QElapsedTimer m_clock;
    QTimer m_probe;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

/// Provisioning, key generation and a signature started from the token detail screen itself,
/// shown and painting, so the figure counts what the screen does on the interface thread too.
void benchStall(const std::shared_ptr<tokenkit::CardReaders>& readers, int reader)
{
    BridgedToken token("Bench token");
    tokens::TokenManager manager(readers, nullptr, true, reader);
    runUntil([&] { return manager.isCardPresent(); }, 10'000);
    QTemporaryDir home;
    QSettings store(home.filePath(QStringLiteral("bench.ini")), QSettings::IniFormat);
    common::LocalizationService localization(&store);
    tokens::views::TokensView page(manager, localization, {reader, std::nullopt});
    page.resize(860, 620);
    page.show();
    page.showDetail();
    runFor(300);

    StallProbe probe;
    auto& provision = page.provision();
    provision.chooseApdu();
    provision.setUserPin(QStringLiteral("123456"));
    provision.setUserPinRepeat(QStringLiteral("123456"));
    provision.setSoPin(QStringLiteral("87654321"));
    provision.provision();
    const bool provisioned =
        runUntil([&] { return provision.step() == tokens::ProvisionStep::done; }, 60'000);
    auto& signTest = page.signTest();
    signTest.setMode(tokens::SignMode::apdu);
    signTest.setHashHex(QString(64, QLatin1Char('5')));
    signTest.sign();
    const bool signedHash =
        runUntil([&] { return !signTest.isBusy(); }, 60'000) && !signTest.signatureHex().isEmpty();
    runFor(100);
    std::printf("longest interface-thread stall while the token screen provisions, generates a "
                "key and signs through pcscd%s: %.2f ms (timer period 1 ms; target < 16 ms)\n",
                provisioned && signedHash ? "" : " (an operation did not finish)",
                probe.longestMs());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    struct Quiet : tokenkit::LogSink {
        void write(std::string_view, std::string_view, tokenkit::LogLevel,
                   std::string_view) override
        {}
    };
    tokenkit::setLogSink(std::make_shared<Quiet>());
    QLoggingCategory::setFilterRules(QStringLiteral("mn.orvela.*=false"));
    const auto readers = std::make_shared<tokenkit::CardReaders>(tokenkit::makePcscBackend());
    const int reader = readerIndex(*readers);
    if (reader < 0) {
        std::printf("pcscd with vpcd shows no reader \"%s\"; run under scripts/lib/with-pcsc.sh\n",
                    vpcd::kBridgeReader);
        return 1;
    }
    if (!vpcd::waitForCard(false)) {
        std::printf("reader \"%s\" still holds a card\n", vpcd::kBridgeReader);
        return 1;
    }
    benchInsertion(readers, reader);
    benchStall(readers, reader);
    return 0;
}
