#pragma once

namespace orvela::shell {

/// The program's entry: the application object and its identity, the kit's log bridge, the
/// command line (`--demo`, `--exit-after-first-paint`), the hand-over to a running instance,
/// then the composition root and the event loop.
class DesktopLauncher {
public:
    /// Runs the program; the process's exit code.
    static int run(int argc, char** argv);
};

} // namespace orvela::shell
