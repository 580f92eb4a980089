#pragma once

#include "components/Card.h"
#include "components/Prompts.h"

class QLabel;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
}

namespace orvela::tokens {
class TokenAdminController;
}

namespace orvela::tokens::views {

/// Factory erase of the token over the card driver, asked for before anything is sent.
class AdminEraseSection : public components::Card {
    Q_OBJECT

public:
    AdminEraseSection(TokenAdminController& controller, common::LocalizationService& localization,
                      components::Prompts& prompts, QWidget* parent);

    /// Asks, then erases when the person agrees.
    void askToErase();

private:
    void retranslate();

    TokenAdminController& m_controller;
    common::LocalizationService& m_localization;
    components::Prompts& m_prompts;
    QLabel* m_hint;
    components::ActionButton* m_erase;
};

} // namespace orvela::tokens::views
