#include "orvela/tokenkit/PKCS11Module.h"

#include <cstdlib>

namespace orvela::tokenkit {

const std::vector<std::string>& PKCS11Module::defaultLibraryPaths()
{
    // Tessel's own library, with its full version before the unversioned name, then p11-kit's
    // proxy module, which reaches every module the system has registered.
#if defined(__APPLE__)
    static const std::vector<std::string> paths{
        "/usr/local/lib/libtessel.1.0.0.dylib",
        "/usr/local/lib/libtessel.dylib",
        "/usr/local/lib/p11-kit-proxy.so",
    };
#elif defined(_WIN32)
    static const std::vector<std::string> paths{
        "C:\\Windows\\System32\\libtessel.dll",
        "C:\\Windows\\System32\\p11-kit-proxy.dll",
    };
#else
    // Debian puts libraries and p11-kit's proxy in the multiarch folder of the machine's kind.
    static const std::string multiarch = ORVELA_MULTIARCH_LIBDIR;
    static const std::vector<std::string> paths{
        "/usr/lib/libtessel.so.1.0.0",       multiarch + "/libtessel.so.1.0.0",
        "/usr/local/lib/libtessel.so.1.0.0", "/usr/lib/libtessel.so",
        multiarch + "/libtessel.so",         "/usr/local/lib/libtessel.so",
        multiarch + "/p11-kit-proxy.so",
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
