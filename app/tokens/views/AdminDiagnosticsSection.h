#pragma once

#include "components/Card.h"

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

/// Diagnostics: a connection test over the card driver and a PKCS#11 slot test.
class AdminDiagnosticsSection : public components::Card {
    Q_OBJECT

public:
    AdminDiagnosticsSection(TokenAdminController& controller,
                            common::LocalizationService& localization, QWidget* parent);

private:
    void retranslate();
    void refresh();

    TokenAdminController& m_controller;
    common::LocalizationService& m_localization;
    components::ActionButton* m_connection;
    components::ActionButton* m_slots;
};

} // namespace orvela::tokens::views
