// orvela-desktop-first-paint: the program as installed, started beside any running copy, that
// prints the time from process start to its first painted window and quits. The start-up
// benchmark and the library-loading test run it; it is never installed.

#include "desktop/DesktopLauncher.h"
#include "desktop/ProcessClock.h"
#include "shell/views/MainWindow.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    using orvela::shell::views::MainWindow;
    orvela::desktop::LaunchHooks hooks;
    hooks.alone = true;
    hooks.onWindow = [](MainWindow& window) {
        QObject::connect(&window, &MainWindow::firstPainted, &window, [] {
            std::printf("first-paint-ms %.1f\n", orvela::desktop::millisecondsSinceProcessStart());
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
    };
    return orvela::desktop::DesktopLauncher::run(argc, argv, hooks);
}
