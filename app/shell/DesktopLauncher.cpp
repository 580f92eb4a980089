#include "shell/DesktopLauncher.h"

#include "common/AppIdentity.h"
#include "shell/DemoMode.h"
#include "shell/DesktopApplication.h"
#include "shell/LogBridge.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageReader>
#include <QThreadPool>
#include <cstdio>

namespace orvela::shell {

namespace {

/// Reads the font configuration and loads the image-format plugins on a pool thread while the
/// main thread builds the first window, which would otherwise wait for each on first use. Both
/// are shared and locked, so the main thread simply finds them ready.
void prepareInBackground()
{
    QThreadPool::globalInstance()->start([] {
        QFontDatabase::families();
        QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("Nuvia"));
        QImageReader::supportedImageFormats();
    });
}

} // namespace

int DesktopLauncher::run(int argc, char** argv)
{
    QApplication application(argc, argv);
    common::applyAppIdentity();
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVELA_APP_VERSION));
    LogBridge::install();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Nuvia e-ID desktop client"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Runs with a simulated backend and virtual token in a demo profile."));
    const QCommandLineOption firstPaint(
        QStringLiteral("exit-after-first-paint"),
        QStringLiteral("Prints the time from process start to the first painted window, then "
                       "exits (for benchmarks)."));
    parser.addOption(demo);
    parser.addOption(firstPaint);
    parser.process(application);

    const bool benchmark = parser.isSet(firstPaint);
    const QString instanceName =
        SingleInstance::nameForCurrentUser(parser.isSet(demo) ? QStringLiteral("demo") : QString());
    if (!benchmark && SingleInstance(instanceName).handOver()) {
        return 0;
    }

    DesktopProfile profile;
    std::unique_ptr<DemoMode> demoMode;
    if (parser.isSet(demo)) {
        demoMode = std::make_unique<DemoMode>();
        QString error;
        if (!demoMode->prepare(&error)) {
            std::fprintf(stderr, "orvela-desktop: %s\n", qUtf8Printable(error));
            return 1;
        }
        profile = demoMode->takeProfile();
        std::fprintf(stderr, "orvela-desktop: demo profile in %s, backend simulator at %s\n",
                     qUtf8Printable(demoMode->directory()), qUtf8Printable(profile.apiBaseUrl));
    }
    profile.instanceName = instanceName;
    // Only once nothing can fail any more: an early return would end the application under
    // the pool thread's feet.
    prepareInBackground();
    if (benchmark) {
        // A measured start must not meet the person's own running copy.
        profile.instanceName += QStringLiteral("-bench-%1").arg(QCoreApplication::applicationPid());
    }

    DesktopApplication desktop(std::move(profile));
    if (benchmark) {
        desktop.mainWindow().exitAfterFirstPaint();
    }
    desktop.start();
    return QApplication::exec();
}

} // namespace orvela::shell
