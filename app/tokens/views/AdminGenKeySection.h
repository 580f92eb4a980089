#pragma once

#include "components/Card.h"

class QLabel;
class QLineEdit;

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

/// Signing key generation on the token, with a PIN of its own.
class AdminGenKeySection : public components::Card {
    Q_OBJECT

public:
    AdminGenKeySection(TokenAdminController& controller, common::LocalizationService& localization,
                       QWidget* parent);

private:
    void retranslate();

    TokenAdminController& m_controller;
    common::LocalizationService& m_localization;
    QLabel* m_hint;
    QLabel* m_pinLabel;
    QLineEdit* m_pin;
    components::ActionButton* m_action;
};

} // namespace orvela::tokens::views
