// Prints the diagnostics report's figures:
//  1. the whole report with everything present (simulator in-process; run under
//     scripts/lib/with-pcsc.sh and the keyring wrapper for the card and the Secret Service);
//  2. the whole report with the backend unreachable (an address that never answers): bounded
//     by the checks' time limit;
//  3. the longest stall of the interface thread while the support page's section fills in.
// Run with QT_QPA_PLATFORM=offscreen.

#include "BackendSim.h"
#include "api/APIClient.h"
#include "common/LocalizationService.h"
#include "components/DialogPrompts.h"
#include "dashboard/views/DiagnosticsSection.h"
#include "diagnostics/DiagnosticsController.h"
#include "diagnostics/DiagnosticsRunner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvela;

namespace {

diagnostics::DiagnosticsEnvironment environmentFor(api::APIClient& client)
{
    diagnostics::DiagnosticsEnvironment environment;
    environment.version = QStringLiteral("bench");
    environment.api = &client;
    return environment;
}

/// Wall time of one whole report, in milliseconds.
double reportMs(api::APIClient& client)
{
    diagnostics::DiagnosticsRunner runner(environmentFor(client));
    QEventLoop loop;
    QObject::connect(&runner, &diagnostics::DiagnosticsRunner::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    runner.start();
    loop.exec();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void benchWholeReport(const QString& baseUrl, const char* what, const char* target, int runs)
{
    api::APIClientOptions options;
    options.fixedBaseUrl = baseUrl;
    api::APIClient client(options);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        times.push_back(reportMs(client));
    }
    std::sort(times.begin(), times.end());
    std::printf("whole report, %s: median %.0f ms, slowest %.0f ms over %d runs (%s)\n", what,
                times[times.size() / 2], times.back(), runs, target);
}

void benchSectionStall(const QString& baseUrl)
{
    api::APIClientOptions options;
    options.fixedBaseUrl = baseUrl;
    api::APIClient client(options);
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    common::LocalizationService localization(&store);
    diagnostics::DiagnosticsController controller(environmentFor(client));
    components::DialogPrompts prompts;
    dashboard::views::DiagnosticsSection section(controller, prompts, localization);
    section.resize(760, 900);
    section.show();
    // The page is on screen before the checks are asked for, as when a person clicks.
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();

    // The stall probe: a 1 ms timer; any gap beyond its period is time the thread was busy.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QEventLoop loop;
    QObject::connect(&controller, &diagnostics::DiagnosticsController::changed, &loop, [&] {
        if (!controller.isRunning()) {
            QTimer::singleShot(200, &loop, &QEventLoop::quit);
        }
    });
    clock.start();
    probe.start();
    controller.start(common::AppLanguage::mn);
    loop.exec();
    probe.stop();
    std::printf("longest interface-thread stall while the section fills in: %.2f ms "
                "(timer period 1 ms; target < 16 ms)\n",
                static_cast<double>(longest) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvela-diagnostics-bench"));
    backendsim::BackendSim sim;
    if (sim.start() == 0) {
        std::printf("cannot start the simulator\n");
        return 1;
    }
    benchWholeReport(sim.baseUrl(), "everything present", "target < 2000 ms", 9);
    // A backend that takes the connection and never answers: the exchange runs into its limit.
    backendsim::BackendSim silent;
    silent.injectFault(backendsim::SimFault::slow, QStringLiteral("/api/health"), 10, 600'000);
    silent.start();
    benchWholeReport(silent.baseUrl(), "backend never answering", "bounded by the 6000 ms limit",
                     3);
    benchWholeReport(QStringLiteral("http://127.0.0.1:9"), "backend refusing connections",
                     "target < 2000 ms", 3);
    benchSectionStall(sim.baseUrl());
    return 0;
}
