#include "tokens/views/TokenPrompts.h"

#include "common/LocalizationService.h"

#include <QWidget>

namespace orvela::tokens::views {

void confirmTokenWipe(components::Prompts& prompts, QWidget* asker,
                      const common::LocalizationService& localization, std::function<void()> wipe)
{
    const auto text = [&localization](const char* key) {
        return localization.localized(QLatin1String(key));
    };
    prompts.confirm(asker->window(), text("Tokens_Erase_Confirm_Title"),
                    text("Tokens_Erase_Confirm_Message"), text("Tokens_Erase_Confirm_Action"),
                    text("Common_Cancel"), asker, [wipe = std::move(wipe)](bool agreed) {
                        if (agreed) {
                            wipe();
                        }
                    });
}

} // namespace orvela::tokens::views
