#include "orvela/tokenkit/PKCS11Module.h"

#include <cstdlib>

namespace orvela::tokenkit {

const std::vector<std::string>& PKCS11Module::defaultLibraryPaths()
{
    // The vendor's library with its full version, then unversioned, then the middleware's
    // generic module as the last resort.
#if defined(__APPLE__)
    static const std::vector<std::string> paths{
        "/usr/local/lib/libcastle.1.0.0.dylib",
        "/usr/local/lib/libcastle.dylib",
        "/Library/OpenSC/lib/opensc-pkcs11.so",
    };
#elif defined(_WIN32)
    static const std::vector<std::string> paths{
        "C:\\Windows\\System32\\castle.dll",
        "C:\\Windows\\System32\\opensc-pkcs11.dll",
    };
#else
    static const std::vector<std::string> paths{
        "/usr/lib/libcastle.so.1.0.0",
        "/usr/lib/x86_64-linux-gnu/libcastle.so.1.0.0",
        "/usr/lib/libcastle.so",
        "/usr/lib/x86_64-linux-gnu/libcastle.so",
        "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so",
    };
#endif
    return paths;
}

std::optional<std::string>
PKCS11Module::chosenLibrary(const std::optional<std::string>& libraryPath)
{
    if (libraryPath && !libraryPath->empty()) {
        return libraryPath;
    }
    if (const char* fromEnvironment = std::getenv(kLibraryEnvironmentVariable);
        fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return std::string(fromEnvironment);
    }
    return std::nullopt;
}

std::vector<std::string> PKCS11Module::candidatePaths(const std::optional<std::string>& libraryPath)
{
    // A library the user named is the only candidate: loading another one behind the user's
    // back would sign with a token they did not choose, and hide why theirs failed.
    if (auto chosen = chosenLibrary(libraryPath)) {
        return {*std::move(chosen)};
    }
    return defaultLibraryPaths();
}

} // namespace orvela::tokenkit
