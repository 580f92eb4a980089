#pragma once

#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/ReaderBackend.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

namespace orvela::demo {

/// The kinds of virtual token the plugin makes.
enum class VirtualTokenMode { des, aes, aesFips };

/// What demo mode takes from its plugin, the one binary that holds the backend simulator and
/// the virtual token, so that a normal start loads neither. The plugin carries its own copy of
/// the token kit: it only creates objects, and the program hands them to its own card readers.
class DemoServices {
public:
    virtual ~DemoServices() = default;

    /// Sends the plugin's own kit log lines to `sink` instead of standard error.
    virtual void useLogSink(std::shared_ptr<tokenkit::LogSink> sink) = 0;

    /// Starts the simulator on a free port of 127.0.0.1, its phone approving after
    /// `approveAfterMs`, its signing authorities kept in `authorityDirectory` (empty: made
    /// afresh in memory); its base URL, or empty when it cannot listen or keep them there.
    virtual QString startBackend(int approveAfterMs, const QString& authorityDirectory) = 0;
    /// The PEM certificate of the authority the running simulator signs with; empty when it
    /// does not run.
    virtual QByteArray backendAuthorityPem() const = 0;
    /// Stops the simulator; its base URL no longer answers.
    virtual void stopBackend() = 0;

    /// One reader holding a virtual token of `mode` labelled `label` (empty: the token's own),
    /// whose state lives in `stateFile` (empty: in memory). Throws std::exception when the
    /// token cannot be opened.
    virtual std::shared_ptr<tokenkit::ReaderBackend> makeVirtualReader(const std::string& stateFile,
                                                                       const std::string& label,
                                                                       VirtualTokenMode mode) = 0;
};

/// The plugin's one exported symbol: a function returning a new DemoServices the caller owns.
/// The number changes with this interface, so a stale plugin fails to load instead of crashing.
inline constexpr const char* demoServicesFactory = "orvela_demo_services_v3";
using DemoServicesFactory = DemoServices* (*)();

} // namespace orvela::demo
