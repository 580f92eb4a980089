#pragma once

#include "common/KeyedText.h"
#include "desktop/demo/DemoServices.h"

#include <QString>
#include <memory>

namespace orvela::demo {

/// Why the demo plugin could not be had.
enum class DemoPluginFailure {
    none,
    /// Neither beside the program nor in the installed plugin folder: its package is missing.
    notInstalled,
    /// Found but not loadable (a stale or broken file); `detail` has the loader's reason.
    unloadable,
};

struct DemoPlugin {
    std::unique_ptr<DemoServices> services;
    DemoPluginFailure failure = DemoPluginFailure::none;
    /// The file, or the loader's reason when it could not be loaded; never shown alone.
    QString detail;
};

/// File name of the demo plugin, which the package orvela-desktop-demo installs.
inline constexpr const char* demoPluginFileName = "orvela-desktop-demo.so";
/// The package that brings the plugin.
inline constexpr const char* demoPluginPackage = "orvela-desktop-demo";

/// The plugin beside the running program (the build tree), else in the installed layout's
/// plugin folder; empty when neither exists.
QString defaultDemoPluginPath();

/// Loads the plugin at `path` (empty: `defaultDemoPluginPath`) for good: the objects it makes
/// live on in the program's card readers, so it is never unloaded. The plugin's kit log lines go
/// where this program's go.
DemoPlugin loadDemoPlugin(const QString& path = QString());

/// The failure as a row of the string tables, naming the package or the file; empty when the
/// plugin loaded.
common::KeyedText demoPluginFailure(const DemoPlugin& plugin);
/// The same in the interface language.
QString demoPluginFailureText(const DemoPlugin& plugin);

} // namespace orvela::demo
