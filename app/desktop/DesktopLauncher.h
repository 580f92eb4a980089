#pragma once

#include <functional>
#include <memory>

class QMessageBox;

namespace orvela::shell::views {
class MainWindow;
}

namespace orvela::desktop {

/// What a measuring build of the program adds to a start; the installed program passes none.
struct LaunchHooks {
    /// Runs this copy beside any other: no hand-over to, or from, a running instance.
    bool alone = false;
    /// Called with the main window before the application starts.
    std::function<void(shell::views::MainWindow&)> onWindow;
};

/// The program's entry: the application object and its identity, the kit's log bridge, the
/// command line (`--demo`, a document to open), the hand-over to a running instance, then the
/// composition root and the event loop.
class DesktopLauncher {
public:
    /// Runs the program; the process's exit code.
    static int run(int argc, char** argv, const LaunchHooks& hooks = {});

    /// The window that says the settings file cannot be opened (see applyAppIdentity), in both
    /// languages: the interface language is kept in that very file.
    static std::unique_ptr<QMessageBox> settingsFileRefusal();
};

} // namespace orvela::desktop
