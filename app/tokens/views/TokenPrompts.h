#pragma once

#include "components/Prompts.h"

#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::tokens::views {

/// Warns that every key, certificate and PIN on the token is about to go, over `asker`'s
/// window; runs `wipe` only when the person agrees, and never once `asker` is gone.
void confirmTokenWipe(components::Prompts& prompts, QWidget* asker,
                      const common::LocalizationService& localization, std::function<void()> wipe);

} // namespace orvela::tokens::views
