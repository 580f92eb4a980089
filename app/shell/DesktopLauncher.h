#pragma once

#include <memory>

class QMessageBox;

namespace orvela::shell {

/// The program's entry: the application object and its identity, the kit's log bridge, the
/// command line (`--demo`, `--exit-after-first-paint`, a document to open), the hand-over to a
/// running instance,
/// then the composition root and the event loop.
class DesktopLauncher {
public:
    /// Runs the program; the process's exit code.
    static int run(int argc, char** argv);

    /// The window that says the settings file cannot be opened (see applyAppIdentity), in both
    /// languages: the interface language is kept in that very file.
    static std::unique_ptr<QMessageBox> settingsFileRefusal();
};

} // namespace orvela::shell
