#include "tokens/ModuleChoice.h"

#include "common/SettingsKeys.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <QFileInfo>
#include <QSettings>
#include <cstdlib>
#include <memory>
#include <p11-kit/p11-kit.h>

namespace orvela::tokens {

namespace {

/// p11-kit hands back texts the caller frees.
QString takeText(char* text)
{
    std::unique_ptr<char, decltype(&std::free)> owned(text, &std::free);
    return owned ? QString::fromUtf8(owned.get()) : QString();
}

} // namespace

std::vector<RegisteredModule> registeredModules()
{
    // Unmanaged: the raw modules, without p11-kit's sharing layer, which nothing here needs.
    CK_FUNCTION_LIST** modules = p11_kit_modules_load(nullptr, P11_KIT_MODULE_UNMANAGED);
    if (modules == nullptr) {
        return {};
    }
    std::vector<RegisteredModule> found;
    for (CK_FUNCTION_LIST** module = modules; *module != nullptr; ++module) {
        RegisteredModule entry{takeText(p11_kit_module_get_name(*module)),
                               takeText(p11_kit_module_get_filename(*module))};
        if (entry.path.isEmpty()) {
            entry.path = takeText(p11_kit_config_option(*module, "module"));
        }
        if (!entry.path.isEmpty()) {
            found.push_back(std::move(entry));
        }
    }
    p11_kit_modules_release(modules);
    return found;
}

std::optional<std::string> configuredLibrary(const QSettings& store)
{
    const QString path = store.value(settings::pkcs11LibraryPath.toString()).toString().trimmed();
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

std::optional<std::string> libraryInUse(const std::optional<std::string>& named)
{
    if (auto chosen = tokenkit::PKCS11Module::chosenLibrary(named)) {
        return chosen;
    }
    const QSettings store;
    return configuredLibrary(store);
}

} // namespace orvela::tokens
