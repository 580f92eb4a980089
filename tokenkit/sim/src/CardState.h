#pragma once

#include "FileSystem.h"
#include "KeyStore.h"
#include "SecretStore.h"

namespace orvela::sim {

/// Everything the token keeps across power cycles.
struct CardState {
    FileSystem files;
    SecretStore secrets;
    KeyStore keys;

    /// Back to a blank token: no files but the master file, no PINs, no keys.
    void erase()
    {
        files.erase();
        secrets.erase();
        keys.erase();
    }
};

} // namespace orvela::sim
