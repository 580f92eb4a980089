#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

class QSettings;

namespace orvela::tokens {

/// A PKCS#11 module the system registers through p11-kit.
struct RegisteredModule {
    QString name; ///< the name of its registration file, "softhsm2" for softhsm2.module
    QString path; ///< the library file p11-kit loads for it
};

/// The modules p11-kit registers for this user (system and user configuration merged), in
/// p11-kit's order. Loads each library to ask p11-kit for it (no C_Initialize), so it runs off
/// the interface thread. Empty when p11-kit has none or cannot read its configuration.
std::vector<RegisteredModule> registeredModules();

/// The library stored under "pkcs11.libraryPath" in `store`; none when unset or empty.
std::optional<std::string> configuredLibrary(const QSettings& store);

/// The library every PKCS#11 action opens: the one named for this run (--library), else
/// ORVELA_PKCS11_LIBRARY, else the one chosen in the settings; none leaves the defaults.
/// Reads the application's settings file; callable from any thread.
std::optional<std::string> libraryInUse(const std::optional<std::string>& named);

} // namespace orvela::tokens
