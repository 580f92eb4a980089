#pragma once

#include <QString>

namespace orvela::platform {

/// The items the credential store keeps; each is stored under its own account name.
enum class KeychainItem { nationalId, apiKey, sessionToken, identity };

/// The account name an item is stored under, e.g. "mn.orvela.eid.desktop.identity".
QString keychainAccount(KeychainItem item);

} // namespace orvela::platform
